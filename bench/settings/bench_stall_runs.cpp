#include "bench_stall_runs.h"

#include <QKeyEvent>
#include <cstdio>
#include <functional>

#include "bench_gap_watch.h"
#include "bench_store.h"
#include "bench_window.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"
#include "shell/message_box.h"

namespace bench {

namespace {

// Long enough for the recipient count, which waits for typing to pause.
constexpr int kTailMs = 450;

const std::vector<std::string> kNames = {
    "pick the project",   "group 2 -> group 1",  "Ctrl+End",   "Return at the end",
    "a character at end", "typing near the top", "group save", "delete last group",
    // The list check and the import up to its report join here.
};

struct StallAction {
    std::function<void()> untimed;  // puts the window where the action starts, if needed
    std::function<void()> run;
    std::function<bool()> check;  // what the action must have done
};

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

std::vector<StallAction> actions(TForm3& form, long recipients, const std::vector<int>& boxes) {
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
        {[&field] { press(field, Qt::Key_Home, Qt::ControlModifier); },
         [&field] { press(field, Qt::Key_Y, {}, QStringLiteral("y")); },
         [&field] { return field.text(0).startsWith(QLatin1Char('y')); }},
        {nullptr, [&form] { form.SpeedButton5Click(); }, lastBox(shell::kStyleInformation)},
        {nullptr, [&form] { form.SpeedButton6Click(); }, lastBox(shell::kStylePlain)},
    };
}

}  // namespace

const std::vector<std::string>& stallActionNames() {
    return kNames;
}

int runStalls(int argc, char** argv, const std::string& appPath, long recipients) {
    FendrivalApplication app(argc, argv);
    AppPath = appPath;
    std::vector<int> boxes;
    shell::setMessageBoxResponder([&](const shell::MessageBoxCall& call) {
        boxes.push_back(call.style);
        return int(shell::kResultOk);
    });
    TForm3 form;
    form.show();
    form.activateWindow();
    settle();

    const std::vector<StallAction> all = actions(form, recipients, boxes);
    for (std::size_t i = 0; i < all.size(); ++i) {
        const StallAction& action = all[i];
        if (action.untimed) {
            action.untimed();
            waitForRecipients(form);
        }
        GapWatch watch([&form] { return !form.Memo1->isLoading(); });
        watch.measure(action.run, kTailMs);
        if (!action.check()) {
            std::fprintf(stderr, "%s did not do what it should\n", kNames[i].c_str());
            return 1;
        }
        std::printf("STALL %zu %.3f %.3f\n", i, watch.longestGapMs(), watch.totalMs());
        std::fflush(stdout);
    }
    shell::setMessageBoxResponder(nullptr);
    return 0;
}

}  // namespace bench
