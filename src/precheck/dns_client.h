#pragma once

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct ub_ctx;

// The one resolver of the pre-send check, over libunbound. Every look-up has a time limit
// and can be stopped; an answer that did not come is a temporary error, never an empty one.
namespace precheck {

enum class DnsStatus {
    Found,      // records of the type asked for
    NoData,     // the name exists, without such records
    NoName,     // NXDOMAIN
    TempError,  // no usable answer: time-out, SERVFAIL, REFUSED, stopped
};

struct DnsAnswer {
    DnsStatus status = DnsStatus::TempError;
    // A, AAAA as address text; MX as "preference host" (a null MX's host is ""); PTR,
    // CNAME as a host; TXT as its strings joined, in the order the server gave them.
    // Hosts lower case, without the final dot.
    std::vector<std::string> records;
    unsigned ttl = 0;
};

enum DnsType : int { kTypeA = 1, kTypePtr = 12, kTypeMx = 15, kTypeTxt = 16, kTypeAaaa = 28 };

class DnsClient {
public:
    // server: "" for the system's resolvers, else "address@port" (or an address) that
    // takes every query. Throws std::runtime_error when libunbound refuses the setting.
    DnsClient(const std::string& server, int timeoutMs, const std::atomic<bool>* stop);
    ~DnsClient();
    DnsClient(const DnsClient&) = delete;
    DnsClient& operator=(const DnsClient&) = delete;

    // FENDRIVAL_DNS_SERVER, or the system's resolvers; 5 s a query.
    static std::unique_ptr<DnsClient> fromEnvironment(const std::atomic<bool>* stop);

    // A name no query can carry does not exist, and is answered so without asking.
    DnsAnswer query(const std::string& name, int type);

    struct Pending;  // one look-up in flight, filled by libunbound's callback

private:
    ub_ctx* ctx_ = nullptr;
    // Look-ups given up on that libunbound could no longer cancel: their answer may still
    // be handed over, so what it is written into lives as long as the context.
    std::vector<std::unique_ptr<Pending>> abandoned_;
    int timeoutMs_;
    const std::atomic<bool>* stop_;
};

// A name a query can carry: labels of 1 to 63 bytes, 253 in all (a final dot aside).
bool isSendableName(std::string_view name);

// "in-addr.arpa" / "ip6.arpa" name of an address text; "" when it is not one.
std::string reverseName(const std::string& address);

}  // namespace precheck
