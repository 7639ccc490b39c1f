#include "precheck/dmarc_check.h"

#include <libpsl.h>

#include <algorithm>
#include <cctype>

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
    return std::string(text::cp932::trimmed(s));
}

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

// "v" *WSP "=" *WSP "DMARC1" at the start, the version in exactly that case.
bool isDmarcRecord(std::string_view txt) {
    std::size_t pos = 0;
    const auto blanks = [&] {
        while (pos < txt.size() && isBlank(txt[pos])) ++pos;
    };
    if (txt.empty() || (txt[0] != 'v' && txt[0] != 'V')) return false;
    ++pos;
    blanks();
    if (pos >= txt.size() || txt[pos] != '=') return false;
    ++pos;
    blanks();
    if (txt.substr(pos, 6) != "DMARC1") return false;
    pos += 6;
    blanks();
    return pos == txt.size() || txt[pos] == ';';
}

std::string validPolicy(std::string value) {
    for (char& c : value) c = text::cp932::foldAscii(c);
    return value == "none" || value == "quarantine" || value == "reject" ? value : "";
}

// scheme ":" and something after it, with an optional "!size" behind.
bool isReportUri(std::string_view uri) {
    uri = text::cp932::trimmed(uri.substr(0, uri.find('!')));
    const std::size_t colon = uri.find(':');
    if (colon == 0 || colon == std::string_view::npos || colon + 1 == uri.size()) return false;
    if (!std::isalpha(static_cast<unsigned char>(uri[0]))) return false;
    return std::all_of(uri.begin(), uri.begin() + colon, [](char c) {
        return std::isalnum(static_cast<unsigned char>(c)) || c == '+' || c == '-' || c == '.';
    });
}

bool hasReportUri(std::string_view rua) {
    for (std::size_t pos = 0; pos <= rua.size();) {
        const std::size_t end = std::min(rua.find(',', pos), rua.size());
        if (isReportUri(rua.substr(pos, end - pos))) return true;
        pos = end + 1;
    }
    return false;
}

void applyPolicy(DmarcOutcome& out, const std::string& fromDomain) {
    const auto tag = [&](const char* name) {
        const auto it = out.tags.find(name);
        return it == out.tags.end() ? std::string() : it->second;
    };
    out.policyTag = "p";
    if (out.foundAt != "_dmarc." + fromDomain && out.tags.count("sp")) out.policyTag = "sp";
    // A bad p= or sp= spoils the whole record, whichever of the two would apply.
    if (validPolicy(tag("p")).empty())
        out.invalidTag = "p";
    else if (out.tags.count("sp") && validPolicy(tag("sp")).empty())
        out.invalidTag = "sp";
    if (out.invalidTag.empty())
        out.policy = validPolicy(tag(out.policyTag.c_str()));
    else if (hasReportUri(tag("rua")))
        out.policy = "none";
}

// Found, or the status that stops the search.
DmarcOutcome lookAt(DnsClient& dns, const std::string& domain) {
    DmarcOutcome out;
    out.foundAt = "_dmarc." + domain;
    const DnsAnswer answer = dns.query(out.foundAt, kTypeTxt);
    out.status = answer.status == DnsStatus::Found ? DnsStatus::NoData : answer.status;
    for (const std::string& txt : answer.records) {
        if (!isDmarcRecord(txt)) continue;
        // Two records are no policy at all, here or further up.
        if (out.status == DnsStatus::Found) {
            out.status = DnsStatus::NoData;
            out.several = true;
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
    for (char& c : lower) c = text::cp932::foldAscii(c);
    const char* registrable = psl_registrable_domain(suffixList(), lower.c_str());
    return registrable ? registrable : lower;
}

DmarcOutcome findDmarc(DnsClient& dns, const std::string& fromDomain) {
    DmarcOutcome out = lookAt(dns, fromDomain);
    const std::string org = organisationalDomain(fromDomain);
    if (out.status != DnsStatus::Found && out.status != DnsStatus::TempError && !out.several &&
        org != fromDomain)
        out = lookAt(dns, org);
    if (out.status == DnsStatus::Found) applyPolicy(out, fromDomain);
    return out;
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
            for (char& c : name) c = text::cp932::foldAscii(c);
            tags.emplace(name, trimmed(part.substr(eq + 1)));
        }
        pos = end + 1;
    }
    return tags;
}

}  // namespace precheck
