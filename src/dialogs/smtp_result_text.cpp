#include "dialogs/smtp_result_text.h"
#include "shell/message_box.h"
#include "shell/utf8_text.h"

#include <QStringList>

namespace {

std::chrono::milliseconds& configuredTimeout() {
    static std::chrono::milliseconds timeout{15000};
    return timeout;
}

using shell::u;

}  // namespace

namespace smtptest {

std::chrono::milliseconds stepTimeout() {
    return configuredTimeout();
}

void setStepTimeout(std::chrono::milliseconds timeout) {
    configuredTimeout() = timeout;
}

QString boxText(const smtp::Report& report) {
    QStringList lines{u(report.headline)};
    for (const std::string& fact : report.facts) lines << u(fact);
    if (!report.advice.empty()) lines << QString() << u(report.advice);
    if (!report.serverReply.empty())
        lines << QString() << QStringLiteral("サーバーの応答:") << u(report.serverReply);
    if (!report.detail.empty()) lines << QString() << QStringLiteral("詳細: ") + u(report.detail);
    return lines.join(QLatin1Char('\n'));
}

void showResult(const smtp::Report& report) {
    if (report.ok) {
        msgbox::information(boxText(report));
    } else {
        msgbox::warning(boxText(report));
    }
}

}  // namespace smtptest
