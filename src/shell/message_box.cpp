#include "shell/message_box.h"

#include <QApplication>
#include <QMessageBox>
#include <QPointer>
#include <utility>

#include "shell/message_box_style.h"

namespace shell {

namespace {
MessageBoxResponder& responder() {
    static MessageBoxResponder instance;
    return instance;
}
}  // namespace

void setMessageBoxResponder(MessageBoxResponder r) {
    responder() = std::move(r);
}

int showMessageBox(const QString& text, const QString& caption, int style) {
    if (responder()) return responder()(MessageBoxCall{text, caption, style});

    QPointer<QWidget> previous = QApplication::activeWindow();
    // Owned by no window: application-modal, so no window of ours takes input meanwhile.
    QMessageBox box;
    box.setWindowModality(Qt::ApplicationModal);
    box.setWindowTitle(caption);
    box.setText(text);
    box.setTextFormat(Qt::PlainText);
    configureMessageBox(box, style);
    box.exec();
    int result = box.clickedButton() == box.button(QMessageBox::Ok) ? kResultOk : kResultCancel;
    if (previous) previous->activateWindow();
    return result;
}

}  // namespace shell
