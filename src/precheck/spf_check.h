#pragma once

#include <string>

namespace precheck {

class DnsClient;

// check_host() for one server address and the sender's address, by libspf2 over our
// resolver, so a test server and the 5 s limit hold for SPF as for every other look-up.
struct SpfOutcome {
    std::string result;  // pass, neutral, softfail, fail, none, permerror, temperror
    std::string record;  // the sender domain's SPF record(s) as published, "" when none
    // What decided it: a mechanism matched, nothing matched (the default), or the error.
    std::string reason;
    std::string mechanism;  // the term that matched, as published; "" when none did
};

SpfOutcome checkSpf(DnsClient& dns, const std::string& serverAddress, const std::string& sender);

}  // namespace precheck
