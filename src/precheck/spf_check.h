#pragma once

#include <string>

#include "precheck/spf_eval.h"

namespace precheck {

class DnsClient;

// SPF as a receiver judges it, for one server address and the sender's address.
struct SpfOutcome {
    spf::Evaluation evaluation;
    std::string record;  // the sender domain's SPF record(s) as published, "" when none
};

// helo: the name the tool greets the server with, which %{h} stands for.
SpfOutcome checkSpf(DnsClient& dns, const std::string& serverAddress, const std::string& sender,
                    const std::string& helo);

}  // namespace precheck
