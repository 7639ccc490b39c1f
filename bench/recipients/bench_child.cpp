#include "bench_child.h"

#include "bench_process.h"
#include "bench_window.h"

#include <QApplication>
#include <QPushButton>
#include <chrono>
#include <cstdio>
#include <stdexcept>

#include "dialogs/recipient_report_dialog.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"

namespace benchrecipients {
namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void printResult(double millis) {
    bench::printResult({millis, bench::peakResidentKib()});
}

}  // namespace

int measureGroupLoad(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    bench::settle();
    const double millis = bench::timedProjectLoad(form, 0, recipients);
    if (millis < 0) return 1;
    printResult(millis);
    return 0;
}

int measureImport(int argc, char** argv, const std::string& appPath, const std::string& csv,
                  long expected) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    bench::settle();
    bool reported = false;
    RecipientReportDialog::setScript([&](RecipientReportDialog& dialog) {
        reported = true;
        dialog.appendButton()->click();
    });
    const auto start = Clock::now();
    form.importRecipientsFrom(QString::fromStdString(csv));
    // A large list goes in on a worker: the import is done when the field shows it.
    bench::waitForRecipients(form);
    bench::settle();
    const double millis = millisSince(start);
    if (!reported || form.Memo1->lines() != expected) {
        std::fprintf(stderr, "the field holds %d lines, not %ld\n", form.Memo1->lines(), expected);
        return 1;
    }
    printResult(millis);
    return 0;
}

}  // namespace benchrecipients
