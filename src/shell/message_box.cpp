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

}  // namespace shell

namespace msgbox {

using namespace shell;

int show(const QString& text, const QString& caption, int style) {
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

void plain(const QString& text) {
    show(text, kCaption, kStylePlain);
}

void information(const QString& text) {
    show(text, kCaption, kStyleInformation);
}

bool question(const QString& text) {
    return show(text, kCaption, kStyleQuestion) == kResultOk;
}

void warning(const QString& text, QWidget* focus) {
    show(text, kCaption, kStyleWarning);
    if (focus) focus->setFocus();
}

void error(const QString& text, const QString& caption) {
    show(text, caption, kStyleError);
}

}  // namespace msgbox
