#include "settings/user_messages.h"

#include <QWidget>

#include "shell/message_box.h"
#include "shell/start_window.h"

namespace usermsg {

void warn(const QString& text, QWidget* focus) {
    TForm1::fncMessageBox(text, shell::kCaption, shell::kStyleWarning);
    if (focus) focus->setFocus();
}

void inform(const QString& text) {
    TForm1::fncMessageBox(text, shell::kCaption, shell::kStyleInformation);
}

void plain(const QString& text) {
    TForm1::fncMessageBox(text, shell::kCaption, shell::kStylePlain);
}

bool ask(const QString& text) {
    return TForm1::fncMessageBox(text, shell::kCaption, shell::kStyleQuestion) == shell::kResultOk;
}

}  // namespace usermsg
