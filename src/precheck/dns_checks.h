#pragma once

#include <atomic>
#include <string>
#include <vector>

#include "precheck/check_item.h"

namespace precheck {

class DnsClient;
struct SendingFields;

// What the DNS checks found that the volume check lists against Gmail's bulk-sender rules.
struct DnsFacts {
    bool senderDomainReachable = false;
    bool spfPass = false;  // for every public address of the server
    bool dmarcFound = false;
    bool reverseConfirmed = false;  // for every public address of the server
};

// Sender domain, free mail, SPF, DMARC, DKIM and reverse DNS. gmailVolume decides
// whether a missing DMARC record is a caution or a problem.
std::vector<CheckItem> dnsChecks(const SendingFields& fields, std::size_t gmailVolume,
                                 DnsClient& dns, const std::atomic<bool>& stop, DnsFacts& facts);

bool isFreeMailDomain(const std::string& domain);

}  // namespace precheck
