#include "dialogs/smtp_test_dialog.h"

#include <QTimer>
#include <atomic>
#include <memory>
#include <thread>

namespace {

// What the worker and the dialog share; the worker never touches a Qt object.
struct Run {
    smtp::Request request;
    smtp::Result result;
    std::atomic<bool> cancel{false};
    std::atomic<bool> finished{false};
};

std::chrono::milliseconds& configuredTimeout() {
    static std::chrono::milliseconds timeout{15000};
    return timeout;
}

QString u(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

}  // namespace

SmtpTestDialog::SmtpTestDialog(QWidget* parent) : QProgressDialog(parent) {
    setObjectName(QStringLiteral("SmtpTestDialog"));
    setWindowTitle(QStringLiteral("接続テスト"));
    setWindowModality(Qt::WindowModal);
    setCancelButtonText(QStringLiteral("中止"));
    setRange(0, 0);  // no steps to count: a busy bar
    setMinimumDuration(0);
    setAutoClose(false);
    setAutoReset(false);
    setMinimumWidth(420);
}

smtp::Result SmtpTestDialog::run(const smtp::Request& request) {
    auto shared = std::make_shared<Run>();
    shared->request = request;
    setLabelText(
        QStringLiteral("SMTPサーバー %1 に接続しています…")
            .arg(u(smtp::hostForUrl(request.server) + ":" + std::to_string(request.port))));

    std::thread worker([shared] {
        shared->result = smtp::run(shared->request, shared->cancel);
        // The password lives no longer than the check.
        shared->request.password.assign(shared->request.password.size(), '\0');
        shared->request.password.clear();
        shared->finished = true;
    });
    // Polled rather than signalled from the worker, so no Qt object crosses threads.
    QTimer poll(this);
    connect(&poll, &QTimer::timeout, this, [this, shared] {
        if (shared->finished) accept();
    });
    connect(this, &QProgressDialog::canceled, this, [shared] { shared->cancel = true; });
    poll.start(50);
    if (!shared->finished) exec();
    poll.stop();
    shared->cancel = shared->cancel || !shared->finished;
    worker.join();  // within a poll interval of the cancel flag
    return shared->result;
}

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
