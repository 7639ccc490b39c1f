#include "dialogs/mail_preview_dialog.h"

#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "dialogs/manual_window.h"
#include "dialogs/offline_text_browser.h"
#include "dialogs/window_look.h"

namespace {

QLabel* makeValue(QWidget* parent) {
    auto* label = new QLabel(parent);
    label->setTextFormat(Qt::PlainText);  // a subject is never markup
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    label->setWordWrap(true);
    return label;
}

}  // namespace

MailPreviewDialog::MailPreviewDialog(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("MailPreviewDialog"));
    setWindowTitle(QStringLiteral("メールのプレビュー"));
    setFont(windowlook::windowFont());
    resize(720, 560);

    sender = makeValue(this);
    subject = makeValue(this);
    body = new OfflineTextBrowser(this);
    body->setObjectName(QStringLiteral("previewBody"));
    body->setAccessibleName(QStringLiteral("ﾒｰﾙ本文のプレビュー"));

    auto* header = new QFormLayout;
    header->addRow(QStringLiteral("差出人:"), sender);
    header->addRow(QStringLiteral("件名:"), subject);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Close, this);
    buttons->button(QDialogButtonBox::Close)->setText(QStringLiteral("閉じる"));
    manual::addHelp(this, buttons, "preview.md");
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(header);
    layout->addWidget(body, 1);
    layout->addWidget(buttons);
}

QString MailPreviewDialog::senderLine(const QString& name, const QString& address) {
    if (name.trimmed().isEmpty()) return address;
    return name + QStringLiteral(" <") + address + QLatin1Char('>');
}

void MailPreviewDialog::show(const Mail& mail) {
    sender->setText(senderLine(mail.senderName, mail.senderAddress));
    subject->setText(mail.subject);
    body->clear();
    body->document()->setDefaultFont(windowlook::windowFont());
    if (mail.html) {
        body->setHtml(mail.body);
    } else {
        body->setPlainText(mail.body);
    }
    QDialog::show();
    raise();
    activateWindow();
}
