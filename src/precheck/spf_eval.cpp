#include "precheck/spf_eval.h"

#include <arpa/inet.h>

#include <algorithm>
#include <chrono>
#include <cstring>
#include <optional>

#include "precheck/dns_client.h"
#include "precheck/spf_macro.h"
#include "precheck/spf_record.h"
#include "text/cp932_char.h"

namespace precheck::spf {
namespace {

// Limits on one evaluation, includes and redirects counted together.
constexpr int kMaxDnsTerms = 10;
constexpr int kMaxVoidLookups = 2;
constexpr std::size_t kMaxMxRecords = 10;
constexpr std::size_t kMaxPtrNames = 10;
// However slowly DNS answers, one evaluation ends; receivers allow at least this long.
constexpr std::chrono::seconds kEvaluationLimit{20};

// A permerror or temperror ends the whole evaluation, however deep it was found.
struct Stop {
    Result result;
    Problem problem;
    std::string term;
    std::string domain;
};

struct Client {
    bool six = false;
    unsigned char bytes[16] = {};
};

// What one record's evaluation came to.
struct Decision {
    Result result = Result::Neutral;
    std::string mechanism;
    std::string domain;
    std::string redirect;
    std::optional<Modifier> explanation;  // of the record whose mechanism decided
    std::string explanationDomain;
};

std::string lower(std::string s) {
    for (char& c : s) c = text::cp932::foldAscii(c);
    return s;
}

bool inNetwork(const unsigned char* a, const unsigned char* b, int bits) {
    const int whole = bits / 8, rest = bits % 8;
    if (std::memcmp(a, b, whole) != 0) return false;
    if (rest == 0) return true;
    const unsigned char mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return (a[whole] & mask) == (b[whole] & mask);
}

Result resultOf(char qualifier) {
    switch (qualifier) {
        case '-':
            return Result::Fail;
        case '~':
            return Result::SoftFail;
        case '?':
            return Result::Neutral;
        default:
            return Result::Pass;
    }
}

std::string dottedNibbles(const unsigned char* bytes) {
    static const char hex[] = "0123456789abcdef";
    std::string out;
    for (int i = 0; i < 16; ++i) {
        out += {hex[bytes[i] >> 4], '.', hex[bytes[i] & 0xF]};
        if (i < 15) out += '.';
    }
    return out;
}

// A name check_host() can start from: sendable and of two labels or more.
bool isCheckableDomain(const std::string& domain) {
    return isSendableName(domain) && domain.find('.') < domain.size() - 1 && domain[0] != '[';
}

bool endsWithDomain(const std::string& name, const std::string& domain) {
    const std::string n = lower(queryName(name)), d = lower(queryName(domain));
    return n == d || (n.size() > d.size() && n.compare(n.size() - d.size(), d.size(), d) == 0 &&
                      n[n.size() - d.size() - 1] == '.');
}

class Evaluator {
public:
    Evaluator(DnsClient& dns, const Client& client, MacroValues values)
        : dns_(dns), client_(client), values_(std::move(values)) {
        values_.validatedName = [this](const std::string& domain) { return validatedName(domain); };
    }

    // None when the domain publishes no record.
    std::optional<Decision> checkHost(const std::string& domain) {
        if (!isCheckableDomain(domain)) return std::nullopt;
        const DnsAnswer answer = ask(domain, kTypeTxt);
        if (answer.status == DnsStatus::TempError)
            throw Stop{Result::TempError, Problem::DnsTimeout, "", domain};
        std::vector<std::string> found;
        for (const std::string& txt : answer.records)
            if (isSpfRecord(txt)) found.push_back(txt);
        if (found.empty()) return std::nullopt;
        if (found.size() > 1) throw Stop{Result::PermError, Problem::TwoRecords, "", domain};
        std::string badTerm;
        const std::optional<Record> record = parseRecord(found.front(), badTerm);
        if (!record) throw Stop{Result::PermError, Problem::Syntax, badTerm, domain};
        for (const Mechanism& mechanism : record->mechanisms) {
            if (!matches(mechanism, domain)) continue;
            Decision decision{resultOf(mechanism.qualifier), mechanism.text, domain, "",
                              record->explanation,           domain};
            return decision;
        }
        if (record->redirect) return redirect(*record->redirect, domain);
        return Decision{Result::Neutral, "", domain, "", record->explanation, domain};
    }

    // The exp= text of the record that decided, fetched once the result is a fail; any
    // trouble on the way leaves the explanation out, as if there were no exp=.
    std::string explanation(const Decision& decision) {
        if (decision.result != Result::Fail || !decision.explanation) return {};
        values_.domain = decision.explanationDomain;
        const std::string name =
            queryName(expandMacros(decision.explanation->domainSpec, values_, false));
        const DnsAnswer answer = ask(name, kTypeTxt);
        if (answer.status != DnsStatus::Found || answer.records.size() != 1) return {};
        const std::string& text = answer.records.front();
        if (!isMacroString(text, true)) return {};
        return expandMacros(text, values_, true);
    }

private:
    DnsAnswer ask(const std::string& name, int type) {
        if (std::chrono::steady_clock::now() > deadline_)
            throw Stop{Result::TempError, Problem::DnsTimeout, "", name};
        return dns_.query(name, type);
    }

    void countDnsTerm(const std::string& term, const std::string& domain) {
        if (++dnsTerms_ > kMaxDnsTerms)
            throw Stop{Result::PermError, Problem::LookupLimit, term, domain};
    }

    // A look-up of a mechanism: no answer ends the evaluation, nothing found counts.
    DnsAnswer lookUp(const std::string& name, int type, const Mechanism& m,
                     const std::string& domain) {
        DnsAnswer answer = ask(name, type);
        if (answer.status == DnsStatus::TempError)
            throw Stop{Result::TempError, Problem::DnsTimeout, m.text, name};
        if (answer.status != DnsStatus::Found && ++voids_ > kMaxVoidLookups)
            throw Stop{Result::PermError, Problem::VoidLimit, m.text, domain};
        return answer;
    }

    std::string target(const Mechanism& m, const std::string& domain) {
        if (m.domainSpec.empty()) return domain;
        values_.domain = domain;
        return queryName(expandMacros(m.domainSpec, values_, false));
    }

    int addressType() const { return client_.six ? kTypeAaaa : kTypeA; }

    bool holdsClient(const std::vector<std::string>& addresses, int bits) const {
        for (const std::string& text : addresses) {
            unsigned char bytes[16] = {};
            if (inet_pton(client_.six ? AF_INET6 : AF_INET, text.c_str(), bytes) == 1 &&
                inNetwork(bytes, client_.bytes, bits))
                return true;
        }
        return false;
    }

    bool matches(const Mechanism& m, const std::string& domain) {
        const int bits = client_.six ? m.cidr6 : m.cidr4;
        switch (m.kind) {
            case MechanismKind::All:
                return true;
            case MechanismKind::Ip4:
            case MechanismKind::Ip6:
                return client_.six == (m.kind == MechanismKind::Ip6) &&
                       inNetwork(m.network.data(), client_.bytes, bits);
            case MechanismKind::Include: {
                countDnsTerm(m.text, domain);
                const std::optional<Decision> inner = checkHost(target(m, domain));
                if (!inner) throw Stop{Result::PermError, Problem::IncludeNone, m.text, domain};
                return inner->result == Result::Pass;
            }
            case MechanismKind::A: {
                countDnsTerm(m.text, domain);
                return holdsClient(lookUp(target(m, domain), addressType(), m, domain).records,
                                   bits);
            }
            case MechanismKind::Mx: {
                countDnsTerm(m.text, domain);
                const DnsAnswer mx = lookUp(target(m, domain), kTypeMx, m, domain);
                if (mx.records.size() > kMaxMxRecords)
                    throw Stop{Result::PermError, Problem::MxLimit, m.text, domain};
                for (const std::string& record : mx.records) {
                    const std::string host = record.substr(record.find(' ') + 1);
                    if (host.empty()) continue;  // a null MX names no host
                    const DnsAnswer a = ask(host, addressType());
                    if (a.status == DnsStatus::TempError)
                        throw Stop{Result::TempError, Problem::DnsTimeout, m.text, host};
                    if (holdsClient(a.records, bits)) return true;
                }
                return false;
            }
            case MechanismKind::Ptr: {
                countDnsTerm(m.text, domain);
                const std::string wanted = target(m, domain);
                for (const std::string& name : validatedNames(&m, domain))
                    if (endsWithDomain(name, wanted)) return true;
                return false;
            }
            case MechanismKind::Exists:
                countDnsTerm(m.text, domain);
                return lookUp(target(m, domain), kTypeA, m, domain).status == DnsStatus::Found;
        }
        return false;
    }

    std::optional<Decision> redirect(const Modifier& modifier, const std::string& domain) {
        countDnsTerm(modifier.text, domain);
        values_.domain = domain;
        const std::string to = queryName(expandMacros(modifier.domainSpec, values_, false));
        std::optional<Decision> decision = checkHost(to);
        if (!decision) throw Stop{Result::PermError, Problem::RedirectNone, modifier.text, domain};
        decision->redirect = to;
        return decision;
    }

    // Names of the client's PTR records that resolve back to it, at most the first ten
    // looked at; a name whose look-up fails is passed over. A mechanism's PTR look-up
    // counts as a void one when it finds nothing; the %{p} macro's does not.
    std::vector<std::string> validatedNames(const Mechanism* m, const std::string& domain) {
        const std::string reverse = reverseName(clientText());
        const DnsAnswer ptr = m ? lookUpPtr(reverse, *m, domain) : ask(reverse, kTypePtr);
        std::vector<std::string> names;
        for (std::size_t i = 0; i < ptr.records.size() && i < kMaxPtrNames; ++i) {
            const DnsAnswer a = ask(ptr.records[i], addressType());
            if (a.status == DnsStatus::Found && holdsClient(a.records, client_.six ? 128 : 32))
                names.push_back(ptr.records[i]);
        }
        return names;
    }

    // A failed PTR look-up is no match, not an error.
    DnsAnswer lookUpPtr(const std::string& reverse, const Mechanism& m, const std::string& domain) {
        DnsAnswer ptr = ask(reverse, kTypePtr);
        if (ptr.status == DnsStatus::TempError) return {};
        if (ptr.status != DnsStatus::Found && ++voids_ > kMaxVoidLookups)
            throw Stop{Result::PermError, Problem::VoidLimit, m.text, domain};
        return ptr;
    }

    // %{p}: a validated name in the domain if there is one, else any, else "unknown".
    std::string validatedName(const std::string& domain) {
        const std::vector<std::string> names = validatedNames(nullptr, domain);
        for (const std::string& name : names)
            if (endsWithDomain(name, domain)) return name;
        return names.empty() ? "unknown" : names.front();
    }

    std::string clientText() const {
        char text[INET6_ADDRSTRLEN] = {};
        inet_ntop(client_.six ? AF_INET6 : AF_INET, client_.bytes, text, sizeof text);
        return text;
    }

    DnsClient& dns_;
    Client client_;
    MacroValues values_;
    const std::chrono::steady_clock::time_point deadline_ =
        std::chrono::steady_clock::now() + kEvaluationLimit;
    int dnsTerms_ = 0;
    int voids_ = 0;
};

// IPv4 in IPv6 clothing is IPv4.
std::optional<Client> clientOf(const std::string& address) {
    Client client;
    if (inet_pton(AF_INET, address.c_str(), client.bytes) == 1) return client;
    unsigned char six[16];
    if (inet_pton(AF_INET6, address.c_str(), six) != 1) return std::nullopt;
    static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
    if (std::memcmp(six, mapped, 12) == 0) {
        std::memcpy(client.bytes, six + 12, 4);
    } else {
        client.six = true;
        std::memcpy(client.bytes, six, 16);
    }
    return client;
}

}  // namespace

const char* resultName(Result result) {
    static const char* const names[] = {"none",     "neutral",   "pass",     "fail",
                                        "softfail", "temperror", "permerror"};
    return names[static_cast<int>(result)];
}

Evaluation checkHost(DnsClient& dns, const std::string& clientAddress, const std::string& sender,
                     const std::string& helo) {
    Evaluation out;
    const std::optional<Client> client = clientOf(clientAddress);
    if (!client) {
        out.result = Result::PermError;
        out.problem = Problem::Syntax;
        out.problemTerm = clientAddress;
        return out;
    }
    MacroValues values;
    values.sender = sender.empty() ? "postmaster@" + helo : sender;
    const std::size_t at = values.sender.rfind('@');
    values.localPart =
        at == std::string::npos || at == 0 ? "postmaster" : values.sender.substr(0, at);
    values.senderDomain = at == std::string::npos ? values.sender : values.sender.substr(at + 1);
    values.sender = values.localPart + "@" + values.senderDomain;
    values.helo = helo;
    values.ipv6 = client->six;
    char text[INET6_ADDRSTRLEN] = {};
    inet_ntop(client->six ? AF_INET6 : AF_INET, client->bytes, text, sizeof text);
    values.clientText = text;
    values.ip = client->six ? dottedNibbles(client->bytes) : values.clientText;
    const std::string domain = queryName(values.senderDomain);
    Evaluator evaluator(dns, *client, values);
    try {
        const std::optional<Decision> decision = evaluator.checkHost(domain);
        if (!decision) return out;
        out.result = decision->result;
        out.mechanism = decision->mechanism;
        out.mechanismDomain = decision->domain;
        out.redirect = decision->redirect;
        try {
            out.explanation = evaluator.explanation(*decision);
        } catch (const Stop&) {
            // Out of time for the text: the result stands without it.
        }
    } catch (const Stop& stop) {
        out.result = stop.result;
        out.problem = stop.problem;
        out.problemTerm = stop.term;
        out.problemDomain = stop.domain;
    }
    return out;
}

}  // namespace precheck::spf
