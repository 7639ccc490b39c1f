#pragma once

#include <QString>
#include <functional>

namespace shell {

// The text of the general error report: "." appended when the last character sorts after ".".
QString errorReportText(const QString& message);

// Shows the general error report (caption "Fendrival Setup", style 0x10).
void reportError(const QString& message);

// Runs an event handler; anything it throws is reported and the event loop goes on.
// Steps the handler finished stay done.
void runHandler(const std::function<void()>& handler);

}  // namespace shell

namespace shell {
// Reports the exception being handled; call only inside a catch block.
void reportCurrentException();
}  // namespace shell
