#include "precheck/dmarc_check.h"

#include <libpsl.h>
#include <strings.h>

#include <algorithm>

#include "text/cp932_char.h"

namespace precheck {
namespace {

const psl_ctx_t* suffixList() {
    // Debian's list, kept current by its package; libpsl's own copy when it is missing.
    static const psl_ctx_t* const list = [] {
        const psl_ctx_t* loaded = psl_load_file("/usr/share/publicsuffix/public_suffix_list.dat");
        return loaded ? loaded : psl_builtin();
    }();
    return list;
}

std::string trimmed(std::string_view s) {
    return std::string(store::cp932::trimmed(s));
}

bool isDmarcRecord(const std::string& txt) {
    const std::string head = trimmed(txt.substr(0, txt.find(';')));
    return strcasecmp(head.c_str(), "v=DMARC1") == 0;
}

// Found, or the status that stops the search.
DmarcOutcome lookAt(DnsClient& dns, const std::string& domain) {
    DmarcOutcome out;
    out.foundAt = "_dmarc." + domain;
    const DnsAnswer answer = dns.query(out.foundAt, kTypeTxt);
    out.status = answer.status == DnsStatus::Found ? DnsStatus::NoData : answer.status;
    for (const std::string& txt : answer.records) {
        if (!isDmarcRecord(txt)) continue;
        // Two records are no policy at all.
        if (out.status == DnsStatus::Found) {
            out.status = DnsStatus::NoData;
            out.record.clear();
            break;
        }
        out.status = DnsStatus::Found;
        out.record = txt;
    }
    if (out.status == DnsStatus::Found) out.tags = dmarcTags(out.record);
    return out;
}

}  // namespace

std::string organisationalDomain(const std::string& domain) {
    std::string lower = domain;
    for (char& c : lower) c = store::cp932::foldAscii(c);
    const char* registrable = psl_registrable_domain(suffixList(), lower.c_str());
    return registrable ? registrable : lower;
}

DmarcOutcome findDmarc(DnsClient& dns, const std::string& fromDomain) {
    DmarcOutcome here = lookAt(dns, fromDomain);
    if (here.status == DnsStatus::Found || here.status == DnsStatus::TempError) return here;
    const std::string org = organisationalDomain(fromDomain);
    if (org == fromDomain) return here;
    return lookAt(dns, org);
}

std::map<std::string, std::string> dmarcTags(const std::string& record) {
    std::map<std::string, std::string> tags;
    std::size_t pos = 0;
    while (pos <= record.size()) {
        const std::size_t end = std::min(record.find(';', pos), record.size());
        const std::string part = record.substr(pos, end - pos);
        const std::size_t eq = part.find('=');
        if (eq != std::string::npos) {
            std::string name = trimmed(part.substr(0, eq));
            for (char& c : name) c = store::cp932::foldAscii(c);
            tags.emplace(name, trimmed(part.substr(eq + 1)));
        }
        pos = end + 1;
    }
    return tags;
}

}  // namespace precheck
