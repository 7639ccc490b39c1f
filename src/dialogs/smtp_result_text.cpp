#include "dialogs/smtp_result_text.h"

#include <QStringList>

namespace {

std::chrono::milliseconds& configuredTimeout() {
    static std::chrono::milliseconds timeout{15000};
    return timeout;
}

QString u(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

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

}  // namespace smtptest
