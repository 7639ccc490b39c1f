#include "bench_group_save.h"

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

constexpr double kTimeTarget = 2.5;
constexpr double kMemoryTarget = 1.5;

// The window as the user leaves it before saving: the project picked, group 1 shown.
bool showGroupOne(TForm3& form, long recipients) {
    form.show();
    settle();
    pickProject(form, 0);
    pickGroup(form, 1);
    if (form.Memo1->lines() != recipients) {
        std::fprintf(stderr, "group 1 shows %d lines, not %ld\n", form.Memo1->lines(), recipients);
        return false;
    }
    return true;
}

}  // namespace

int runGroupLoad(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    if (!showGroupOne(form, recipients)) return 1;
    printResult({0, peakResidentKib()});
    return 0;
}

int runGroupSave(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    if (!showGroupOne(form, recipients)) return 1;
    const auto millis = millisToBox([&] { form.SpeedButton5Click(); }, shell::kStyleInformation);
    if (!millis) return 1;
    printResult({*millis, peakResidentKib()});
    return 0;
}

std::vector<Check> compareGroupSave(long recipients, int runs) {
    const TempFolder folder;
    writeLargeStore(folder.path(), recipients);
    const std::string list = store::ProjectStore(folder.path()).listPath(kProject);
    const std::string count = std::to_string(recipients);
    // Untimed: the first save moves the group to the end of the file, where every later
    // save keeps it, so all timed runs start from the same file.
    runChild({"--group-save", folder.path(), count});

    Check time{"group save time", "press to box", "cp+sync list", "ms", kTimeTarget};
    Check memory{"group save memory", "load+save peak", "load peak", "MiB", kMemoryTarget};
    for (int run = 0; run < runs; ++run) {
        const Sample saved = runChild({"--group-save", folder.path(), count});
        requireListLines(folder.path(), 2 * recipients);
        time.oursValues.push_back(saved.millis);
        time.baselineValues.push_back(copyAndSyncMillis(list));
        memory.oursValues.push_back(double(saved.peakKib) / 1024.0);
        const Sample loaded = runChild({"--group-load", folder.path(), count});
        memory.baselineValues.push_back(double(loaded.peakKib) / 1024.0);
    }
    if (groupRecipients(folder.path(), 0) != recipients ||
        groupRecipients(folder.path(), 1) != recipients)
        throw std::runtime_error("saving group 1 changed the recipients of the groups");
    return {time, memory};
}

}  // namespace bench
