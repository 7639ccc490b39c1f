#pragma once

#include <QDialog>
#include <QString>
#include <functional>
#include <optional>

#include "dialogs/scripted_dialog.h"

class QLabel;
class QLineEdit;
class QPushButton;

// Asks for the one address a test mail goes to. The address stays in the dialog until the
// tool ends, so a second test after an edit needs no retyping; nothing is stored.
class TestMailDialog : public QDialog, public ScriptedDialog<TestMailDialog> {
    Q_OBJECT
public:
    TestMailDialog(const QString& sender, const QString& subject, QWidget* parent = nullptr);

    // The address, trimmed and in half-width form, or nothing when the user cancelled.
    std::optional<QString> ask();

    QLineEdit* addressField() const { return address_; }
    QPushButton* sendButton() const { return send_; }
    QPushButton* cancelButton() const { return cancel_; }

    // Why the typed text is not one address a mail can go to; empty when it is.
    static QString fault(const QString& typed);

private:
    void trySend();

    QLineEdit* address_ = nullptr;
    QPushButton* send_ = nullptr;
    QPushButton* cancel_ = nullptr;
    std::optional<QString> chosen_;
};
