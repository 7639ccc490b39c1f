#pragma once

#include <functional>
#include <utility>

// A dialog that tests drive instead of a user. The script is kept per dialog class; a
// template's bodies have to stand here.
template <typename Dialog>
class ScriptedDialog {
public:
    using Script = std::function<void(Dialog&)>;
    // Tests drive the real dialog through this instead of a user (nullptr: show it).
    static void setScript(Script script) { current() = std::move(script); }

protected:
    // Shows the dialog and waits; the test's script answers instead when one is set.
    static void showOrScript(Dialog& dialog) {
        if (current()) {
            current()(dialog);
        } else {
            dialog.exec();
        }
    }

private:
    static Script& current() {
        static Script script;
        return script;
    }
};
