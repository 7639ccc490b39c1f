#include "bench_load_runs.h"

#include <Qsci/qsciscintilla.h>

#include <QApplication>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <chrono>
#include <cstdio>

#include "bench_process.h"
#include "bench_store.h"
#include "bench_window.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"

namespace bench {

namespace {

using Clock = std::chrono::steady_clock;

double millisSince(Clock::time_point start) {
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// After the load the field must still scroll and take typing, Japanese included.
bool stillUsable(PlainTextField& field) {
    field.setFocus();
    field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
    QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
    QCoreApplication::sendEvent(&field, &key);
    QInputMethodEvent compose;
    compose.setCommitString(QStringLiteral("あ"));
    QCoreApplication::sendEvent(&field, &compose);
    settle();
    const std::string text = field.utf8Text();
    const std::string tail = "a\xE3\x81\x82";  // "a" then あ, typed at the end
    if (text.size() < tail.size() || text.compare(text.size() - tail.size(), tail.size(), tail)) {
        std::fprintf(stderr, "the field did not take typing at its end after the load\n");
        return false;
    }
    if (field.SendScintilla(QsciScintilla::SCI_GETFIRSTVISIBLELINE) == 0) {
        std::fprintf(stderr, "the field did not scroll to its end\n");
        return false;
    }
    return true;
}

}  // namespace

int measureWindowLoad(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    TForm3 form;
    form.show();
    settle();

    const double millis = timedProjectLoad(form, 0, recipients);
    if (millis < 0) return 1;
    const long peak = peakResidentKib();
    if (!stillUsable(*form.Memo1)) return 1;
    printResult({millis, peak});
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
