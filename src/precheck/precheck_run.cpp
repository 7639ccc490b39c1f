#include "precheck/precheck_run.h"

#include "precheck/content_checks.h"
#include "precheck/dns_checks.h"

namespace precheck {

std::vector<CheckItem> runChecks(const PrecheckInput& input, DnsClient& dns,
                                 const std::atomic<bool>& stop) {
    DnsFacts facts;
    std::vector<CheckItem> items = dnsChecks(input.fields, input.volume.gmail(), dns, stop, facts);
    if (stop) return items;
    for (CheckItem& item : volumeChecks(input.volume, facts)) items.push_back(std::move(item));
    items.push_back(runLengthCheck(input.fields, input.volume.recipients));
    for (CheckItem& item : legalChecks(input.fields, input.groups))
        items.push_back(std::move(item));
    return items;
}

}  // namespace precheck
