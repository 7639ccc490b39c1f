#pragma once

#include <QString>
#include <functional>

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

// Shows an application-modal box for the style word and returns 1 (OK) or 2 (Cancel).
int showMessageBox(const QString& text, const QString& caption, int style);

}  // namespace shell
