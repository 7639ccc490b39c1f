#include "dialogs/test_mail_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QVBoxLayout>

#include "dialogs/manual_window.h"
#include "dialogs/recipient_texts.h"
#include "dialogs/window_look.h"
#include "recipients/address_check.h"
#include "shell/message_box.h"
#include "text/half_width.h"

namespace {

// The last address given, for as long as the tool runs.
QString& lastAddress() {
    static QString value;
    return value;
}

QString halfWidth(const QString& typed) {
    return QString::fromStdString(text::toHalfWidth(typed.trimmed().toStdString()));
}

}  // namespace

TestMailDialog::TestMailDialog(const QString& sender, const QString& subject, QWidget* parent)
    : QDialog(parent) {
    setObjectName(QStringLiteral("TestMailDialog"));
    setWindowTitle(QStringLiteral("テスト送信"));
    setFont(windowlook::windowFont());
    setMinimumWidth(460);

    auto* note = new QLabel(
        QStringLiteral("表示中のメールグループの件名と本文で、下のアドレスだけに 1 通送信します。"
                       "ﾒｰﾙ送信先ﾘｽﾄには送りません。"),
        this);
    note->setWordWrap(true);
    address_ = new QLineEdit(lastAddress(), this);
    address_->setObjectName(QStringLiteral("testAddress"));
    address_->setInputMethodHints(Qt::ImhEmailCharactersOnly | Qt::ImhNoPredictiveText);
    address_->setAccessibleName(QStringLiteral("送信先アドレス"));
    auto* from = new QLabel(sender, this);
    from->setTextFormat(Qt::PlainText);
    auto* about = new QLabel(subject.isEmpty() ? QStringLiteral("（件名なし）") : subject, this);
    about->setTextFormat(Qt::PlainText);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("送信先アドレス:"), address_);
    form->addRow(QStringLiteral("差出人:"), from);
    form->addRow(QStringLiteral("件名:"), about);

    auto* buttons = new QDialogButtonBox(this);
    send_ = buttons->addButton(QStringLiteral("送信"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    manual::addHelp(this, buttons, "preview.md");
    send_->setDefault(true);
    connect(send_, &QPushButton::clicked, this, &TestMailDialog::trySend);
    connect(cancel_, &QPushButton::clicked, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(form);
    layout->addWidget(buttons);
}

QString TestMailDialog::fault(const QString& typed) {
    const QString text = typed.trimmed();
    if (text.isEmpty()) return QStringLiteral("テスト送信先のアドレスを入力してください。");
    // A list would mail more than one person: the test goes to exactly one.
    static const QRegularExpression separators(QStringLiteral("[,;\\s\\x{3000}、，；]"));
    if (text.contains(separators))
        return QStringLiteral("テスト送信先には、アドレスを 1 つだけ入力してください。");
    const auto addressFault = recipients::checkAddress(halfWidth(text).toStdString());
    if (addressFault == recipients::AddressFault::None) return QString();
    return QStringLiteral("テスト送信先のアドレスが正しくありません（%1）。")
        .arg(recipienttext::fault(addressFault));
}

void TestMailDialog::trySend() {
    const QString why = fault(address_->text());
    if (!why.isEmpty()) {
        msgbox::warning(why);
        address_->setFocus();
        return;
    }
    chosen_ = halfWidth(address_->text());
    lastAddress() = *chosen_;
    accept();
}

std::optional<QString> TestMailDialog::ask() {
    chosen_.reset();
    address_->setFocus();
    showOrScript(*this);
    return chosen_;
}
