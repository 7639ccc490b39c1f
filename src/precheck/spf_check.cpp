#include "precheck/spf_check.h"

#include "precheck/dns_client.h"
#include "precheck/spf_record.h"

namespace precheck {

SpfOutcome checkSpf(DnsClient& dns, const std::string& serverAddress, const std::string& sender,
                    const std::string& helo) {
    SpfOutcome outcome;
    outcome.evaluation = spf::checkHost(dns, serverAddress, sender, helo);
    const std::string domain = sender.substr(sender.rfind('@') + 1);
    for (const std::string& txt : dns.query(domain, kTypeTxt).records) {
        if (!spf::isSpfRecord(txt)) continue;
        if (!outcome.record.empty()) outcome.record += " / ";
        outcome.record += txt;
    }
    return outcome;
}

}  // namespace precheck
