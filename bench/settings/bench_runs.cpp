#include "bench_runs.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <chrono>
#include <cstdio>

#include "bench_process.h"
#include "bench_store.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

}  // namespace

int measureWindowLoad(int argc, char** argv, const std::string& appPath, long recipients) {
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
    printResult({millis, peakResidentKib()});
    return 0;
}

int measureBareEditor(int argc, char** argv, long recipients) {
    QApplication app(argc, argv);
    QsciScintilla editor;
    editor.resize(340, 200);
    editor.show();
    settle();
    // Built in place, so the baseline's peak holds no copy the window would not have.
    QString text;
    text.reserve(qsizetype(recipients) * 27);
    for (long n = 0; n < 2 * recipients; n += 2) {
        if (n) text += QLatin1Char('\n');
        const std::string a = address(n);
        text += QLatin1String(a.data(), qsizetype(a.size()));
    }

    const auto start = Clock::now();
    editor.setText(text);
    settle();
    const double millis = millisSince(start);

    if (editor.lines() != recipients) return 1;
    printResult({millis, peakResidentKib()});
    return 0;
}

}  // namespace bench
