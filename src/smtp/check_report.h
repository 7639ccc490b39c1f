#pragma once

#include <string>
#include <vector>

#include "smtp/server_address.h"
#include "smtp/smtp_check.h"

// What the user is told about a connection test, in Japanese (UTF-8).
namespace smtp {

struct Report {
    bool ok = false;
    std::string headline;            // what worked, or what failed
    std::vector<std::string> facts;  // reached, TLS, authenticated
    std::string advice;              // one sentence on what to check; empty on success
    std::string serverReply;         // the server's own line behind a failure, if any
    std::string detail;              // libcurl's text, when it adds something
};

Report describe(const Request& request, const Result& result);

// The warning for fields that are not worth trying.
std::string refusalText(Refusal refusal);

// A server's line made fit to show: control characters become "?".
std::string printable(const std::string& line);

}  // namespace smtp
