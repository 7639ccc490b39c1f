#include "bench_child.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

#include "settings/recipient_report_dialog.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"

extern char** environ;

namespace benchrecipients {
namespace {

using Clock = std::chrono::steady_clock;

long peakResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

void settle() {
    for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printResult(double millis) {
    std::printf("RESULT %.3f %ld\n", millis, peakResidentKib());
    std::fflush(stdout);
}

}  // namespace

Sample runChild(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/proc/self/exe"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);
    int fds[2];
    if (pipe(fds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (rc != 0) throw std::runtime_error("cannot start the measuring run");
    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = read(fds[0], buffer, sizeof buffer)) > 0) output.append(buffer, std::size_t(n));
    close(fds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        Sample sample;
        if (std::sscanf(line.c_str(), "RESULT %lf %ld", &sample.millis, &sample.peakKib) == 2)
            return sample;
    }
    throw std::runtime_error("measuring run gave no result: " + output);
}

int measureGroupLoad(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();
    const auto start = Clock::now();
    form.cmbProject->setCurrentIndex(0);
    emit form.cmbProject->activated(0);
    settle();
    const double millis = millisSince(start);
    if (form.Memo1->lines() != recipients) {
        std::fprintf(stderr, "the field holds %d lines, not %ld\n", form.Memo1->lines(),
                     recipients);
        return 1;
    }
    printResult(millis);
    return 0;
}

int measureImport(int argc, char** argv, const std::string& appPath, const std::string& csv,
                  long expected) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();
    bool reported = false;
    RecipientReportDialog::setScript([&](RecipientReportDialog& dialog) {
        reported = true;
        dialog.appendButton()->click();
    });
    const auto start = Clock::now();
    form.importRecipientsFrom(QString::fromStdString(csv));
    settle();
    const double millis = millisSince(start);
    if (!reported || form.Memo1->lines() != expected) {
        std::fprintf(stderr, "the field holds %d lines, not %ld\n", form.Memo1->lines(), expected);
        return 1;
    }
    printResult(millis);
    return 0;
}

}  // namespace benchrecipients
