#include "shell/error_report.h"

#include <exception>
#include <new>

#include "shell/fendrival_application.h"
#include "shell/message_box.h"

namespace shell {

QString errorReportText(const QString& message) {
    if (!message.isEmpty() && message.back() > QLatin1Char('.')) return message + QLatin1Char('.');
    return message;
}

void reportError(const QString& message) {
    msgbox::error(errorReportText(message), QString::fromUtf8(kApplicationTitle));
}

void reportCurrentException() {
    try {
        throw;
    } catch (const std::bad_alloc&) {
        reportError(QStringLiteral("メモリが足りません"));
    } catch (const std::exception& e) {
        reportError(QString::fromUtf8(e.what()));
    } catch (...) {
        reportError(QStringLiteral("予期しないエラーが発生しました"));
    }
}

void runHandler(const std::function<void()>& handler) {
    try {
        handler();
    } catch (...) {
        reportCurrentException();
    }
}

}  // namespace shell
