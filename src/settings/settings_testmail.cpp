// "テスト送信…": the shown group's mail, built as the campaign will send it, to one typed
// address only. Uses the fields as they stand, saved or not; nothing is stored.
#include <ctime>

#include "dialogs/mail_preview_dialog.h"
#include "dialogs/smtp_result_text.h"
#include "dialogs/test_mail_dialog.h"
#include "recipients/address_check.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "smtp/mail_message.h"
#include "smtp/mail_send.h"
#include "smtp/send_report.h"
#include "text/half_width.h"

namespace {

const QString kBadSender = QStringLiteral("送信元メールアドレスを正しく入力してください。");

std::string utf8(const QString& text) {
    return text.toStdString();
}

}  // namespace

void TForm3::btnTestMailClick() {
    if (cmbProject->currentIndex() < 0) return msgbox::warning(usermsg::kNoProject, cmbProject);

    const std::string sender = text::toHalfWidth(utf8(Edit3->text().trimmed()));
    if (recipients::checkAddress(sender) != recipients::AddressFault::None)
        return msgbox::warning(kBadSender, Edit3);

    auto connection = smtpRequestOrWarn();
    if (!connection) return;

    const QString subject = txtMailSubject->text();
    std::optional<QString> to;
    {
        TestMailDialog dialog(
            MailPreviewDialog::senderLine(txtMailName->text(), QString::fromStdString(sender)),
            subject, this);
        to = dialog.ask();
    }
    if (!to) return;
    if (subject.trimmed().isEmpty() &&
        !msgbox::question(QStringLiteral("件名が空です。送信しますか？")))
        return;

    smtp::MailFields mail;
    mail.senderName = utf8(txtMailName->text());
    mail.senderAddress = sender;
    mail.to = utf8(*to);
    mail.subject = utf8(subject);
    mail.body = txtMailBody->utf8Text();
    mail.html = htmlChosen();
    mail.date = std::time(nullptr);

    smtp::SendRequest request;
    static_cast<smtp::Request&>(request) = std::move(*connection);
    request.from = sender;
    request.to = mail.to;
    if (const auto refusal = smtp::mailRefusalFor(mail)) {
        if (*refusal == smtp::MailRefusal::BadSenderAddress)
            return msgbox::warning(kBadSender, Edit3);
        return msgbox::warning(TestMailDialog::fault(*to));
    }
    request.message = smtp::buildMessage(mail);

    const std::optional<smtp::SendResult> result = offthread::wait(
        offthread::box(offthread::Cancel::Stop, this, QStringLiteral("TestMailProgress"),
                       QStringLiteral("テスト送信"),
                       QStringLiteral("%1 へテストメールを送信しています…").arg(*to),
                       QStringLiteral("中止")),
        [&](const offthread::Stop& stop) { return smtp::send(request, stop); });
    // The password lives no longer than the send.
    request.password.assign(request.password.size(), '\0');
    if (!result || result->failure == smtp::Failure::Cancelled) return;  // the user knows
    smtptest::showResult(smtp::describeSend(request, *result));
}
