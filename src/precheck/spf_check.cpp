#include "precheck/spf_check.h"

#include <arpa/inet.h>
#include <arpa/nameser.h>
#include <netdb.h>
#include <netinet/in.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <vector>

extern "C" {
#include <spf2/spf.h>
#include <spf2/spf_dns.h>
}

#include "precheck/dns_client.h"

namespace precheck {
namespace {

int hostErrorOf(DnsStatus status) {
    switch (status) {
        case DnsStatus::Found:
            return NETDB_SUCCESS;
        case DnsStatus::NoData:
            return NO_DATA;
        case DnsStatus::NoName:
            return HOST_NOT_FOUND;
        default:
            return TRY_AGAIN;
    }
}

bool copyRecord(SPF_dns_rr_t* rr, int index, ns_type type, const std::string& text) {
    if (type == ns_t_a || type == ns_t_aaaa) {
        const std::size_t size = type == ns_t_a ? sizeof(in_addr) : sizeof(in6_addr);
        if (SPF_dns_rr_buf_realloc(rr, index, size) != SPF_E_SUCCESS) return false;
        return inet_pton(type == ns_t_a ? AF_INET : AF_INET6, text.c_str(), rr->rr[index]) == 1;
    }
    // An MX record's host follows its preference.
    const std::string value = type == ns_t_mx ? text.substr(text.find(' ') + 1) : text;
    if (SPF_dns_rr_buf_realloc(rr, index, value.size() + 1) != SPF_E_SUCCESS) return false;
    std::memcpy(rr->rr[index], value.c_str(), value.size() + 1);
    return true;
}

// What libspf2 asks through: our client, and, while the deciding term is looked for, a
// shortened record in place of the sender domain's own.
struct Hook {
    DnsClient* dns = nullptr;
    std::string domain;
    const std::string* record = nullptr;
    // Look-ups of one evaluation that found nothing, the sender domain's own record aside:
    // libspf2 does not hold them to their limit, so we do.
    mutable int voids = 0;
};

// More void look-ups than this make the record a permanent error (RFC 7208, 4.6.4).
constexpr int kVoidLookupLimit = 2;

// libspf2's look-up hook: every question goes through our client.
SPF_dns_rr_t* lookup(SPF_dns_server_t* server, const char* domain, ns_type type, int) {
    const auto* hook = static_cast<const Hook*>(server->hook);
    DnsAnswer answer;
    if (hook->record && type == ns_t_txt && strcasecmp(domain, hook->domain.c_str()) == 0) {
        answer.status = DnsStatus::Found;
        answer.records = {*hook->record};
    } else {
        answer = hook->dns->query(domain, type);
    }
    const bool ownRecord = type == ns_t_txt && strcasecmp(domain, hook->domain.c_str()) == 0;
    if (!ownRecord && (answer.status == DnsStatus::NoData || answer.status == DnsStatus::NoName))
        ++hook->voids;
    SPF_dns_rr_t* rr = SPF_dns_rr_new_init(server, domain, type, static_cast<int>(answer.ttl),
                                           hostErrorOf(answer.status));
    if (!rr) return nullptr;
    int count = 0;
    for (const std::string& text : answer.records)
        if (copyRecord(rr, count, type, text)) ++count;
    rr->num_rr = count;
    return rr;
}

void freeLayer(SPF_dns_server_t* layer) {
    std::free(layer);
}

bool isSpfRecord(const std::string& txt) {
    return txt.size() >= 6 && strncasecmp(txt.c_str(), "v=spf1", 6) == 0 &&
           (txt.size() == 6 || txt[6] == ' ');
}

std::string publishedRecord(DnsClient& dns, const std::string& domain) {
    std::string records;
    for (const std::string& txt : dns.query(domain, kTypeTxt).records) {
        if (!isSpfRecord(txt)) continue;
        if (!records.empty()) records += " / ";
        records += txt;
    }
    return records;
}

std::string reasonOf(SPF_response_t* response) {
    for (int i = 0; i < SPF_response_messages(response); ++i) {
        SPF_error_t* message = SPF_response_message(response, i);
        if (SPF_error_errorp(message)) return SPF_error_message(message);
    }
    switch (SPF_response_reason(response)) {
        case SPF_REASON_MECH:
            return "mechanism";
        case SPF_REASON_DEFAULT:
            return "default";
        default:
            return SPF_strerror(SPF_response_errcode(response));
    }
}

struct ServerFree {
    void operator()(SPF_server_t* p) const { SPF_server_free(p); }
};
struct RequestFree {
    void operator()(SPF_request_t* p) const { SPF_request_free(p); }
};
struct ResponseFree {
    void operator()(SPF_response_t* p) const { SPF_response_free(p); }
};

struct Evaluation {
    SPF_result_t result = SPF_RESULT_TEMPERROR;
    SPF_reason_t reason = SPF_REASON_NONE;
    std::string why;
};

Evaluation evaluate(const Hook& hook, const std::string& serverAddress, const std::string& sender) {
    auto* layer = static_cast<SPF_dns_server_t*>(std::calloc(1, sizeof(SPF_dns_server_t)));
    if (!layer) throw std::bad_alloc();
    layer->destroy = freeLayer;
    layer->lookup = lookup;
    layer->name = "fendrival";
    layer->hook = const_cast<Hook*>(&hook);
    std::unique_ptr<SPF_server_t, ServerFree> server(SPF_server_new_dns(layer, 0));
    std::unique_ptr<SPF_request_t, RequestFree> request(SPF_request_new(server.get()));
    const bool v4 = serverAddress.find(':') == std::string::npos;
    const SPF_errcode_t set = v4 ? SPF_request_set_ipv4_str(request.get(), serverAddress.c_str())
                                 : SPF_request_set_ipv6_str(request.get(), serverAddress.c_str());
    Evaluation out;
    if (set != SPF_E_SUCCESS || SPF_request_set_env_from(request.get(), sender.c_str()) != 0) {
        out.result = SPF_RESULT_PERMERROR;
        out.why = SPF_strerror(set);
        return out;
    }
    hook.voids = 0;
    SPF_response_t* raw = nullptr;
    SPF_request_query_mailfrom(request.get(), &raw);
    std::unique_ptr<SPF_response_t, ResponseFree> response(raw);
    if (!response) return out;
    out.result = SPF_response_result(response.get());
    out.reason = SPF_response_reason(response.get());
    out.why = reasonOf(response.get());
    // Counted as they happened: the third came before anything matched.
    if (hook.voids > kVoidLookupLimit && out.result != SPF_RESULT_TEMPERROR &&
        out.result != SPF_RESULT_PERMERROR) {
        out.result = SPF_RESULT_PERMERROR;
        out.reason = SPF_REASON_FAILURE;
        out.why = "too many void DNS lookups (" + std::to_string(hook.voids) + ")";
    }
    return out;
}

// The record's mechanisms in order; its modifiers (name=value), "v=spf1" among them, left out.
std::vector<std::string> mechanisms(const std::string& record) {
    std::vector<std::string> terms;
    std::size_t pos = 0;
    while ((pos = record.find_first_not_of(' ', pos)) != std::string::npos) {
        const std::size_t end = std::min(record.find(' ', pos), record.size());
        const std::string term = record.substr(pos, end - pos);
        const std::size_t eq = term.find('='), colon = term.find(':');
        if (eq == std::string::npos || (colon != std::string::npos && colon < eq))
            terms.push_back(term);
        pos = end;
    }
    return terms;
}

// libspf2 does not say which mechanism matched: the shortest front part of the record
// that matches as well names it.
std::string decidingMechanism(Hook& hook, const std::string& record,
                              const std::string& serverAddress, const std::string& sender,
                              SPF_result_t result) {
    const std::vector<std::string> terms = mechanisms(record);
    std::string shortened = "v=spf1";
    hook.record = &shortened;
    std::string found;
    for (const std::string& term : terms) {
        shortened += " " + term;
        const Evaluation partial = evaluate(hook, serverAddress, sender);
        if (partial.reason == SPF_REASON_MECH) {
            if (partial.result == result) found = term;
            break;
        }
    }
    hook.record = nullptr;
    return found;
}

}  // namespace

SpfOutcome checkSpf(DnsClient& dns, const std::string& serverAddress, const std::string& sender) {
    SpfOutcome outcome;
    Hook hook;
    hook.dns = &dns;
    hook.domain = sender.substr(sender.rfind('@') + 1);
    outcome.record = publishedRecord(dns, hook.domain);
    const Evaluation full = evaluate(hook, serverAddress, sender);
    outcome.result = SPF_strresult(full.result);
    outcome.reason = full.why;
    // One record only: with two the result is an error, not a mechanism's.
    if (full.reason == SPF_REASON_MECH && outcome.record.find(" / ") == std::string::npos)
        outcome.mechanism =
            decidingMechanism(hook, outcome.record, serverAddress, sender, full.result);
    return outcome;
}

}  // namespace precheck
