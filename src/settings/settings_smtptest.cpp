// "接続テスト": tries the SMTP fields as they stand, saved or not. Nothing is sent or stored.
#include "dialogs/smtp_result_text.h"
#include "settings/settings_window.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "smtp/server_address.h"
#include "smtp/smtp_check.h"

std::optional<smtp::Request> TForm3::smtpRequestOrWarn() {
    const bool auth = CmbSmtp->currentText() == QStringLiteral("SMTP-AUTH");
    const std::string server = Edit1->text().toStdString();
    const std::string port = txtSmtpPort->text().toStdString();
    const std::string user = txtSmtpId->text().toStdString();
    if (const auto refusal = smtp::refusalFor(server, port, auth, user)) {
        QWidget* field = *refusal == smtp::Refusal::BadPort  ? static_cast<QWidget*>(txtSmtpPort)
                         : *refusal == smtp::Refusal::NoUser ? static_cast<QWidget*>(txtSmtpId)
                                                             : static_cast<QWidget*>(Edit1);
        msgbox::warning(QString::fromStdString(smtp::refusalText(*refusal)), field);
        return std::nullopt;
    }
    const smtp::Target target = smtp::targetFor(server, port);
    smtp::Request request;
    request.server = target.server;
    request.port = target.port;
    request.auth = auth;
    if (auth) {
        request.user = user;
        request.password = txtSmtpPwd->text().toStdString();
    }
    request.stepTimeout = smtptest::stepTimeout();
    return request;
}

void TForm3::btnSmtpTestClick() {
    auto request = smtpRequestOrWarn();
    if (!request) return;
    const QString label = QStringLiteral("SMTPサーバー %1 に接続しています…")
                              .arg(QString::fromStdString(smtp::hostForUrl(request->server) + ":" +
                                                          std::to_string(request->port)));
    const std::optional<smtp::Result> result = offthread::wait(
        offthread::box(offthread::Cancel::Stop, this, QStringLiteral("SmtpTestDialog"),
                       QStringLiteral("接続テスト"), label, QStringLiteral("中止")),
        [&](const offthread::Stop& stop) { return smtp::run(*request, stop); });
    // The password lives no longer than the check.
    request->password.assign(request->password.size(), '\0');
    if (!result || result->failure == smtp::Failure::Cancelled) return;  // the user knows
    smtptest::showResult(smtp::describe(*request, *result));
}
