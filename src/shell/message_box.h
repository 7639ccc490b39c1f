#pragma once

#include <QString>
#include <functional>

class QWidget;

namespace shell {

// Windows-style message-box words and results, kept because every caller speaks them.
enum MessageBoxStyle : int {
    kStylePlain = 0x0,
    kStyleError = 0x10,
    kStyleWarning = 0x30,
    kStyleInformation = 0x40,
    kStyleQuestion = 0x131,
};
enum MessageBoxResult : int { kResultOk = 1, kResultCancel = 2 };

inline const QString kCaption = QStringLiteral("ZELMonitor");

struct MessageBoxCall {
    QString text;
    QString caption;
    int style = 0;
};

// Answers boxes instead of showing them (tests). Return 1 or 2.
using MessageBoxResponder = std::function<int(const MessageBoxCall&)>;
void setMessageBoxResponder(MessageBoxResponder responder);

}  // namespace shell

// Every box of the tool goes through here, so the test hook above answers them all. The
// window's code names the kinds; TForm1::fncMessageBox is `show` by its old name.
namespace msgbox {

// An application-modal box for the style word; 1 (OK) or 2 (Cancel).
int show(const QString& text, const QString& caption, int style);

// The kinds, with the caption "ZELMonitor" unless told.
void plain(const QString& text);
void information(const QString& text);
// The OK / Cancel question; true only for OK.
bool question(const QString& text);
// The focus then goes to the field at fault, when one is given.
void warning(const QString& text, QWidget* focus = nullptr);
void error(const QString& text, const QString& caption = shell::kCaption);

}  // namespace msgbox
