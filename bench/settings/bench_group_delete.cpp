#include "bench_group_delete.h"

#include <cstdio>
#include <stdexcept>

#include "bench_copy.h"
#include "bench_press.h"
#include "bench_process.h"
#include "bench_store.h"
#include "temp_folder.h"
#include "bench_window.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"
#include "shell/message_box.h"
#include "store/project_store.h"

namespace bench {

namespace {

constexpr double kTimeTarget = 2.0;

}  // namespace

int runGroupDelete(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();
    pickProject(form, 0);
    if (form.heldGroupCount != "2" || form.Memo1->lines() != recipients) {
        std::fprintf(stderr, "the project did not load with two groups\n");
        return 1;
    }
    const auto millis = millisToBox([&] { form.SpeedButton6Click(); }, shell::kStylePlain);
    if (!millis) return 1;
    if (form.heldGroupCount != "1") {
        std::fprintf(stderr, "the window still holds %s groups\n", form.heldGroupCount.c_str());
        return 1;
    }
    printResult({*millis, peakResidentKib()});
    return 0;
}

std::vector<Check> compareGroupDelete(long recipients, int runs) {
    const TempFolder folder;
    const std::string list = store::ProjectStore(folder.path()).listPath(kProject);
    const std::string count = std::to_string(recipients);
    Check time{"group delete time", "press to box", "cp+sync list", "ms", kTimeTarget};
    for (int run = 0; run < runs; ++run) {
        writeLargeStore(folder.path(), recipients);
        const Sample deleted = runChild({"--group-delete", folder.path(), count});
        requireListLines(folder.path(), recipients);
        time.oursValues.push_back(deleted.millis);
        time.baselineValues.push_back(copyAndSyncMillis(list));
    }
    if (groupRecipients(folder.path(), 0) != recipients)
        throw std::runtime_error("deleting group 1 changed the recipients of group 0");
    return {time};
}

}  // namespace bench
