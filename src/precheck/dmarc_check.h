#pragma once

#include <map>
#include <string>

#include "precheck/dns_client.h"

namespace precheck {

// The registrable domain by the public suffix list ("mail.example.co.jp" gives
// "example.co.jp"); the domain itself when it is a suffix or cannot be judged.
std::string organisationalDomain(const std::string& domain);

struct DmarcOutcome {
    DnsStatus status = DnsStatus::TempError;  // Found when a record was found
    std::string foundAt;                      // "_dmarc.<domain>" it came from
    std::string record;
    std::map<std::string, std::string> tags;  // lower-case tag names, values trimmed
};

// The record of the From domain, or else of its organisational domain.
DmarcOutcome findDmarc(DnsClient& dns, const std::string& fromDomain);

std::map<std::string, std::string> dmarcTags(const std::string& record);

}  // namespace precheck
