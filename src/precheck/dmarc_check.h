#pragma once

#include <map>
#include <string>

#include "precheck/dns_client.h"

namespace precheck {

// The registrable domain by the public suffix list ("mail.example.co.jp" gives
// "example.co.jp"); the domain itself when it is a suffix or cannot be judged.
std::string organisationalDomain(const std::string& domain);

struct DmarcOutcome {
    DnsStatus status = DnsStatus::TempError;  // Found when exactly one record was found
    bool several = false;                     // more records than one: no policy at all
    std::string foundAt;                      // "_dmarc.<domain>" it came from
    std::string record;
    std::map<std::string, std::string> tags;  // lower-case tag names, values trimmed
    // The tag whose policy the From domain gets, "p" or "sp" (the organisational domain's
    // record speaks for a subdomain through sp= when it has one), and its value in lower
    // case; "" when the record gives no valid policy.
    std::string policyTag;
    std::string policy;
    // A record whose p= or sp= is not valid: the tag at fault. With a valid rua= the
    // receiver reads the record as p=none; without one it applies no policy.
    std::string invalidTag;
};

// The record of the From domain, or else of its organisational domain. Only a domain
// without any DMARC record sends the search on; no answer stops it.
DmarcOutcome findDmarc(DnsClient& dns, const std::string& fromDomain);

std::map<std::string, std::string> dmarcTags(const std::string& record);

}  // namespace precheck
