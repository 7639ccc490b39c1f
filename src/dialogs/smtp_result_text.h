#pragma once

#include <QString>
#include <chrono>

#include "smtp/check_report.h"

// What the connection test and the test mail share in the window: their step timeout and
// their result box.
namespace smtptest {

// The longest wait for one step of the dialogue; tests shorten it.
std::chrono::milliseconds stepTimeout();
void setStepTimeout(std::chrono::milliseconds timeout);

// The result box's text: what worked or what failed, what to check, the server's reply.
QString boxText(const smtp::Report& report);
// The result box itself: information when it worked, else a warning.
void showResult(const smtp::Report& report);

}  // namespace smtptest
