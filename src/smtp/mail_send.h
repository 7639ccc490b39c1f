#pragma once

#include <atomic>
#include <string>

#include "smtp/smtp_check.h"

// Sends the one test mail: the connection test's session, then MAIL FROM, exactly one
// RCPT TO, DATA and QUIT.
namespace smtp {

struct SendRequest : Request {
    std::string from;     // the envelope sender
    std::string to;       // the one test address; never a list
    std::string message;  // the whole message, CR LF line ends, already built
};

struct SendResult : Result {
    std::string acceptedReply;  // the reply to the end of the data, e.g. "250 2.0.0 Ok: ..."
};

// Blocks, so call it off the GUI thread. Setting `cancel` ends it within a fraction of a
// second with Failure::Cancelled.
SendResult send(const SendRequest& request, const std::atomic<bool>& cancel);

// An address the envelope can carry as one clean command: no blank, control character,
// angle bracket or comma (a comma could make it a list).
bool envelopeAddressOk(const std::string& address);

// The message as DATA carries it: every line end as CR LF, a dot that starts a line doubled,
// and the end marked with CR LF "." CR LF. A NUL byte ends the text, as RFC 5321 allows none.
std::string dataForm(const std::string& message);

}  // namespace smtp
