#pragma once

#include "smtp/check_report.h"
#include "smtp/mail_send.h"

// What the user is told about the test mail, in Japanese (UTF-8). Failures the connection
// test shares read as they do there.
namespace smtp {

Report describeSend(const SendRequest& request, const SendResult& result);

}  // namespace smtp
