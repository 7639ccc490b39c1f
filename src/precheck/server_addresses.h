#pragma once

#include <string>
#include <vector>

#include "precheck/dns_client.h"

namespace precheck {

struct ServerAddresses {
    std::vector<std::string> addresses;  // A and AAAA, or the literal address itself
    bool tempError = false;              // a look-up failed for want of an answer
};

// The server field as typed: an address literal (with or without brackets) or a host name.
ServerAddresses resolveServer(DnsClient& dns, const std::string& server);

// A PTR that resolves forward to the same address.
struct ReverseOutcome {
    DnsStatus status = DnsStatus::TempError;  // of the PTR look-up
    std::vector<std::string> names;
    std::string confirmed;  // the first name whose A/AAAA holds the address, "" when none
    bool forwardTempError = false;
};

ReverseOutcome checkReverse(DnsClient& dns, const std::string& address);

}  // namespace precheck
