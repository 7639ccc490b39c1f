// Saving the project's sending settings ("更新").
#include "settings/field_text.h"
#include "settings/ini_keys.h"
#include "settings/integer_text.h"
#include "settings/settings_window.h"
#include "settings/stored_text.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "shell/message_box.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "text/cp932.h"

namespace {

// A number field as the save reads it: anything but sign and digits counts as -1.
int numberIn(const QLineEdit* field) {
    return integertext::parse(field->text().toStdString()).value_or(-1);
}

}  // namespace

void TForm3::SpeedButton8Click() {
    const std::string project = text::cp932::trim(currentProjectName());
    if (project.empty()) return msgbox::warning(usermsg::kNoProject, cmbProject);
    if (!store::isAddressableProjectName(project))
        return msgbox::warning(usermsg::kRefusedName, cmbProject);
    const int port = numberIn(txtSmtpPort);
    if (port < 0 || port > 9999)
        return msgbox::warning(QStringLiteral("[SMTP PORT] Invalid value. 25 or 587"), txtSmtpPort);
    if (numberIn(txtPauseInterval) < 0)
        return msgbox::warning(QStringLiteral("ポーズ件数には件数を指定してください。"),
                               txtPauseInterval);
    if (numberIn(txtPauseTime) < 0)
        return msgbox::warning(QStringLiteral("ポーズ時間には秒数を指定してください。"),
                               txtPauseTime);

    // Every stored text is converted before anything is asked or written, so a character
    // Shift-JIS cannot hold never leaves some keys saved and others not.
    std::string server, client, senderAddress, pauseInterval, pauseTime, smtpId, smtpPwd, smtpPort,
        senderName;
    auto take = [](QLineEdit* field, const char* label, std::string& out) {
        auto text = storedtext::fromField(field, QString::fromUtf8(label));
        if (text) out = std::move(*text);
        return bool(text);
    };
    if (!take(Edit1, "SMTPサーバーアドレス", server) || !take(Edit2, "クライアント名", client) ||
        !take(Edit3, "送信元メールアドレス", senderAddress) ||
        !take(txtPauseInterval, "ポーズ件数", pauseInterval) ||
        !take(txtPauseTime, "ポーズ時間", pauseTime) ||
        !take(txtSmtpId, "SMTP-AUTH用ﾕｰｻﾞｰID", smtpId) ||
        !take(txtSmtpPwd, "SMTP-AUTH用ﾊﾟｽﾜｰﾄﾞ", smtpPwd) ||
        !take(txtSmtpPort, "ポート", smtpPort) || !take(txtMailName, "送信元名称", senderName))
        return;

    if (!msgbox::question(fieldtext::fromStore(project) +
                          QStringLiteral("に設定内容を保存します。よろしいですか？")))
        return;

    const store::ProjectStore store(AppPath);
    store.ensureProjectFolder(project);
    const std::string ini = store.iniPath(project);
    const IniKeys& k = iniKeys();
    // One read-modify-write per key, in this order: a failed key is reported and the rest
    // are still written.
    const std::pair<const std::string&, std::string> keys[] = {
        {k.server, text::cp932::trim(server)},
        {k.client, text::cp932::trim(client)},
        {k.senderAddress, text::cp932::trim(senderAddress)},
        {k.pauseInterval, pauseInterval},
        {k.pauseTime, pauseTime},
        {k.smtp,
         CmbSmtp->currentIndex() < 0 ? std::string() : CmbSmtp->currentText().toStdString()},
        {k.smtpId, smtpId},
        {k.smtpPwd, smtpPwd},
        {k.smtpPort, smtpPort},
        {k.senderName, senderName},
        {k.smtpHtml, std::to_string(cmbSmtpHtml->currentIndex())},
    };
    for (const auto& [key, value] : keys) fncIniWrite(ini, k.section, key, value);
    msgbox::information(QStringLiteral("設定変更しました"));
}
