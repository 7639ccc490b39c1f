// The empty state and the rule that couples the sending type with its fields.
#include "settings/settings_window.h"

void TForm3::clearData() {
    Edit1->clear();
    Edit2->clear();
    Edit3->clear();
    CmbSmtp->setCurrentIndex(-1);
    txtSmtpId->clear();
    txtSmtpPwd->clear();
    txtSmtpPort->clear();
    txtMailName->clear();
    txtPauseInterval->clear();
    txtPauseTime->clear();
    cmbSmtpHtml->setCurrentIndex(-1);
    cmbMailGroup->clear();
    cmbMailGroup->setCurrentIndex(-1);
    pnlMailGroup->clear();
    txtMailGroup->clear();
    Memo1->clearText();
    txtMailSubject->clear();
    txtMailBody->clearText();
}

void TForm3::CmbSmtpChange() {
    // Disabled fields keep their text: it is still saved.
    const bool auth = CmbSmtp->currentText() == QLatin1String("SMTP-AUTH");
    txtSmtpId->setEnabled(auth);
    txtSmtpPwd->setEnabled(auth);
    txtSmtpPort->setText(auth ? QStringLiteral("587") : QStringLiteral("25"));
}
