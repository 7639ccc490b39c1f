#include "bench_projects.h"

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
#include "store/text_file.h"

namespace bench {

namespace {

constexpr double kTimeTarget = 2.0;
constexpr const char* kAdded = "bench-added";

int indexOf(const TForm3& form, const std::string& name) {
    const std::vector<std::string> names = form.projectNames();
    for (std::size_t i = 0; i < names.size(); ++i) {
        if (names[i] == name) return int(i);
    }
    return -1;
}

// Throws unless project.ini lists that many projects and the added one as expected.
void requireListed(const std::string& appPath, long projects, bool added) {
    const store::ProjectStore store(appPath);
    const auto names = store.readProjectList();
    const bool listed = !names.empty() && names.back() == kAdded;
    if (long(names.size()) != projects || listed != added ||
        store::textfile::folderExists(store.projectFolder(kAdded)) != added)
        throw std::runtime_error("project.ini or the project folder is not as the press left it");
}

}  // namespace

int runProjectAdd(int argc, char** argv, const std::string& appPath, const std::string& name) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();
    form.txtProject->setText(QString::fromStdString(name));
    const auto millis = millisToBox([&] { form.SpeedButton2Click(); }, shell::kStyleInformation);
    if (!millis) return 1;
    printResult({*millis, peakResidentKib()});
    return 0;
}

int runProjectDelete(int argc, char** argv, const std::string& appPath, const std::string& name) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();
    const int index = indexOf(form, name);
    if (index < 0) {
        std::fprintf(stderr, "%s is not listed\n", name.c_str());
        return 1;
    }
    pickProject(form, index);
    const auto millis = millisToBox([&] { form.SpeedButton9Click(); }, shell::kStyleInformation);
    if (!millis) return 1;
    printResult({*millis, peakResidentKib()});
    return 0;
}

std::vector<Check> compareProjects(long projects, int runs) {
    const TempFolder folder;
    writeProjectList(folder.path(), projects);
    const std::string list = store::ProjectStore(folder.path()).projectListPath();
    Check add{"project add time", "press to box", "cp+sync ini", "ms", kTimeTarget};
    Check remove{"project delete time", "press to box", "cp+sync ini", "ms", kTimeTarget};
    for (int run = 0; run < runs; ++run) {
        add.oursValues.push_back(runChild({"--project-add", folder.path(), kAdded}).millis);
        requireListed(folder.path(), projects + 1, true);
        add.baselineValues.push_back(copyAndSyncMillis(list));

        remove.oursValues.push_back(runChild({"--project-delete", folder.path(), kAdded}).millis);
        requireListed(folder.path(), projects, false);
        remove.baselineValues.push_back(copyAndSyncMillis(list));
    }
    return {add, remove};
}

}  // namespace bench
