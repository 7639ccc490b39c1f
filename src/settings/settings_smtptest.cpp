// "接続テスト": tries the SMTP fields as they stand, saved or not. Nothing is sent or stored.
#include "dialogs/smtp_test_dialog.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"

void TForm3::btnSmtpTestClick() {
    const bool auth = CmbSmtp->currentText() == QStringLiteral("SMTP-AUTH");
    const std::string server = Edit1->text().toStdString();
    const std::string port = txtSmtpPort->text().toStdString();
    const std::string user = txtSmtpId->text().toStdString();
    if (const auto refusal = smtp::refusalFor(server, port, auth, user)) {
        QWidget* field = *refusal == smtp::Refusal::BadPort  ? static_cast<QWidget*>(txtSmtpPort)
                         : *refusal == smtp::Refusal::NoUser ? static_cast<QWidget*>(txtSmtpId)
                                                             : static_cast<QWidget*>(Edit1);
        return usermsg::warn(QString::fromStdString(smtp::refusalText(*refusal)), field);
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

    smtp::Result result;
    {
        SmtpTestDialog dialog(this);
        result = dialog.run(request);
    }
    request.password.assign(request.password.size(), '\0');
    if (result.failure == smtp::Failure::Cancelled) return;  // the user knows

    const smtp::Report report = smtp::describe(request, result);
    if (report.ok) {
        usermsg::inform(smtptest::boxText(report));
    } else {
        usermsg::warn(smtptest::boxText(report));
    }
}
