// "プレビュー": the shown group's mail as its recipient would see it, saved or not.
#include "dialogs/mail_preview_dialog.h"
#include "settings/settings_window.h"

void TForm3::btnPreviewClick() {
    // One preview, refreshed by every press, so the body can be edited beside it.
    auto* dialog = findChild<MailPreviewDialog*>(QString(), Qt::FindDirectChildrenOnly);
    if (!dialog) dialog = new MailPreviewDialog(this);
    MailPreviewDialog::Mail mail;
    mail.senderName = txtMailName->text();
    mail.senderAddress = Edit3->text();
    mail.subject = txtMailSubject->text();
    mail.body = QString::fromStdString(txtMailBody->utf8Text());
    mail.html = htmlChosen();
    dialog->show(mail);
}
