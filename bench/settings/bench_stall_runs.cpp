#include "bench_stall_runs.h"

#include <QKeyEvent>
#include <QPushButton>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <memory>

#include "bench_gap_watch.h"
#include "bench_screen_reader.h"
#include "bench_stall_meter.h"
#include "bench_store.h"
#include "bench_window.h"
#include "dialogs/precheck_result_dialog.h"
#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_report_dialog.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "store/atomic_file.h"
#include "store/project_store.h"
#include "timing.h"

namespace bench {

namespace {

// Long enough for the recipient count, which waits for typing to pause.
constexpr int kTailMs = 450;

const std::vector<std::string> kNames = {
    "pick the project",
    "group 2 -> group 1",
    "Ctrl+End",
    "Return at the end",
    "a character at end",
    "a line up",
    "typing near the top",
    "group save",
    "delete last group",
    "宛先チェック",
    "import up to the report",
    "import, 置換",
    "batch-file gate",
    "group save, opt-outs",
    "送信前チェック",
};

// The opt-out list of the gates: this many addresses, kOptedOutInList of them in the list.
constexpr long kOptOuts = 100000;
constexpr long kOptedOutInList = 1000;

// The file the import reads: group 1's addresses, one a line, so 置換 leaves the same list.
std::string writeImportFile(const std::string& appPath, long recipients) {
    std::string text;
    text.reserve(std::size_t(recipients) * 27);
    for (long n = 0; n < recipients; ++n) text += address(2 * n) + "\n";
    const std::string path = appPath + "/import.txt";
    store::textfile::writeAll(path, text);
    return path;
}

// Spread over group 1 (even numbers), the rest in no list.
void writeOptOuts(const std::string& appPath, long recipients) {
    std::string text;
    for (long k = 0; k < kOptOuts; ++k)
        text += (k < kOptedOutInList ? address(2 * (k * (recipients / kOptedOutInList)))
                                     : address(10 * recipients + k)) +
                "\r\n";
    store::textfile::writeAll(store::ProjectStore(appPath).optOutPath(), text);
}

void press(PlainTextField& field, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier,
           const QString& text = QString()) {
    QKeyEvent down(QEvent::KeyPress, key, modifiers, text);
    QCoreApplication::sendEvent(&field, &down);
    QKeyEvent up(QEvent::KeyRelease, key, modifiers, text);
    QCoreApplication::sendEvent(&field, &up);
}

// The user's pick without waiting for the recipients: the wait is what is measured.
void choose(QComboBox* list, int index) {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

std::vector<StallAction> actions(TForm3& form, long recipients, const std::vector<int>& boxes,
                                 const QString& importPath, int& dialogs) {
    PlainTextField& field = *form.Memo1;
    const auto shows = [&field, recipients](long first) {
        return [&field, recipients, first] {
            return !field.isLoading() && field.lines() == recipients &&
                   field.text(0).trimmed().toStdString() == address(first);
        };
    };
    const auto lastLine = [&field](const char* text) {
        return [&field, text] { return field.text(field.lines() - 1) == QLatin1String(text); };
    };
    const auto lastBox = [&boxes](int style) {
        return [&boxes, style] { return !boxes.empty() && boxes.back() == style; };
    };
    return {
        {nullptr, [&form] { choose(form.cmbProject, 0); }, shows(0)},
        {[&form] { pickGroup(form, 1); }, [&form] { choose(form.cmbMailGroup, 0); }, shows(0)},
        {[&field] { field.setFocus(); },
         [&field] { press(field, Qt::Key_End, Qt::ControlModifier); },
         [&field] {
             return field.SendScintilla(QsciScintilla::SCI_GETCURRENTPOS) ==
                    field.SendScintilla(QsciScintilla::SCI_GETLENGTH);
         }},
        {nullptr, [&field] { press(field, Qt::Key_Return, {}, QStringLiteral("\r")); },
         lastLine("")},
        {nullptr, [&field] { press(field, Qt::Key_X, {}, QStringLiteral("x")); }, lastLine("x")},
        {nullptr, [&field] { press(field, Qt::Key_Up); },
         [&field] {
             const long caret = field.SendScintilla(QsciScintilla::SCI_GETCURRENTPOS);
             return field.SendScintilla(QsciScintilla::SCI_LINEFROMPOSITION, caret) ==
                    field.lines() - 2;
         }},
        {[&field] { press(field, Qt::Key_Home, Qt::ControlModifier); },
         [&field] { press(field, Qt::Key_Y, {}, QStringLiteral("y")); },
         [&field] { return field.text(0).startsWith(QLatin1Char('y')); }},
        {nullptr, [&form] { form.SpeedButton5Click(); }, lastBox(shell::kStyleInformation)},
        {nullptr, [&form] { form.SpeedButton6Click(); }, lastBox(shell::kStylePlain)},
        {[&dialogs] {
             dialogs = 0;
             RecipientCheckDialog::setScript([&dialogs](RecipientCheckDialog& d) {
                 ++dialogs;
                 d.closeButton()->click();
             });
         },
         [&form] { form.btnCheckRecipientsClick(); }, [&dialogs] { return dialogs == 1; }},
        {[&dialogs] {
             dialogs = 0;
             RecipientReportDialog::setScript([&dialogs](RecipientReportDialog& d) {
                 ++dialogs;
                 d.cancelButton()->click();
             });
         },
         [&form, importPath] { form.importRecipientsFrom(importPath); },
         [&dialogs] { return dialogs == 1; }},
        {[&dialogs] {
             dialogs = 0;
             RecipientReportDialog::setScript([&dialogs](RecipientReportDialog& d) {
                 ++dialogs;
                 d.replaceButton()->click();
             });
         },
         [&form, importPath] { form.importRecipientsFrom(importPath); },
         [&dialogs, shows] { return dialogs == 1 && shows(0)(); }},
        {[recipients] { writeOptOuts(AppPath, recipients); }, [&form] { form.SpeedButton7Click(); },
         [&boxes, lastBox] {
             return boxes.size() >= 2 && boxes[boxes.size() - 2] == shell::kStyleQuestion &&
                    lastBox(shell::kStyleInformation)();
         }},
        {nullptr, [&form] { form.SpeedButton5Click(); },
         [&field, &boxes, lastBox, recipients] {
             return boxes.size() >= 2 && boxes[boxes.size() - 2] == shell::kStyleQuestion &&
                    lastBox(shell::kStyleInformation)() &&
                    field.lines() == recipients - kOptedOutInList;
         }},
        {[&dialogs] {
             dialogs = 0;
             // Nothing listens there, so each look-up is refused at once: what is timed is
             // the window's share and the count over the whole list.
             setenv("FENDRIVAL_DNS_SERVER", "127.0.0.1@1", 1);
             PrecheckResultDialog::setScript([&dialogs](PrecheckResultDialog&) { ++dialogs; });
         },
         [&form] { form.btnPrecheckClick(); }, [&dialogs] { return dialogs == 1; }},
    };
}

}  // namespace

const std::vector<std::string>& stallActionNames() {
    return kNames;
}

int runStalls(int argc, char** argv, const std::string& appPath, long recipients,
              std::optional<EditText> screenReader) {
    FendrivalApplication app(argc, argv);
    if (screenReader) listenAsScreenReader(*screenReader);
    AppPath = appPath;
    std::vector<int> boxes;
    shell::setMessageBoxResponder([&](const shell::MessageBoxCall& call) {
        boxes.push_back(call.style);
        return int(shell::kResultOk);
    });
    auto owned = std::make_unique<TForm3>();
    TForm3& form = *owned;
    form.show();
    form.activateWindow();
    settle();

    const QString importPath = QString::fromStdString(writeImportFile(appPath, recipients));
    int dialogs = 0;
    const std::vector<StallAction> all = actions(form, recipients, boxes, importPath, dialogs);
    if (!runStallActions(
            all, kNames, kTailMs, [&form] { waitForRecipients(form); },
            [&form] { return !form.Memo1->isLoading(); }))
        return 1;
    // A quit while the list loads again: the window goes, as at the end of `main`, and
    // the pool's last job must end soon after.
    choose(form.cmbMailGroup, 0);
    const benchstore::Stopwatch quitting;
    owned.reset();
    offthread::waitForAll();
    std::printf("QUIT %.3f\n", quitting.seconds() * 1000.0);
    shell::setMessageBoxResponder(nullptr);
    RecipientCheckDialog::setScript(nullptr);
    RecipientReportDialog::setScript(nullptr);
    PrecheckResultDialog::setScript(nullptr);
    return 0;
}

}  // namespace bench
