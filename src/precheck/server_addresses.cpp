#include "precheck/server_addresses.h"

#include <arpa/inet.h>

#include <cstring>

namespace precheck {
namespace {

bool sameAddress(const std::string& a, const std::string& b) {
    unsigned char x[16] = {}, y[16] = {};
    const int family = a.find(':') == std::string::npos ? AF_INET : AF_INET6;
    return inet_pton(family, a.c_str(), x) == 1 && inet_pton(family, b.c_str(), y) == 1 &&
           std::memcmp(x, y, sizeof x) == 0;
}

bool isLiteral(const std::string& text) {
    unsigned char bytes[16];
    return inet_pton(AF_INET, text.c_str(), bytes) == 1 ||
           inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

}  // namespace

ServerAddresses resolveServer(DnsClient& dns, const std::string& server) {
    ServerAddresses out;
    std::string host = server;
    if (host.size() > 2 && host.front() == '[' && host.back() == ']')
        host = host.substr(1, host.size() - 2);
    if (host.empty()) return out;
    if (isLiteral(host)) {
        out.addresses.push_back(host);
        return out;
    }
    for (int type : {kTypeA, kTypeAaaa}) {
        const DnsAnswer answer = dns.query(host, type);
        if (answer.status == DnsStatus::TempError) out.tempError = true;
        for (const std::string& address : answer.records)
            if (!address.empty()) out.addresses.push_back(address);
    }
    return out;
}

ReverseOutcome checkReverse(DnsClient& dns, const std::string& address) {
    ReverseOutcome out;
    const DnsAnswer ptr = dns.query(reverseName(address), kTypePtr);
    out.status = ptr.status;
    out.names = ptr.records;
    const int type = address.find(':') == std::string::npos ? kTypeA : kTypeAaaa;
    for (const std::string& name : out.names) {
        const DnsAnswer forward = dns.query(name, type);
        if (forward.status == DnsStatus::TempError) out.forwardTempError = true;
        for (const std::string& back : forward.records) {
            if (sameAddress(back, address)) {
                out.confirmed = name;
                return out;
            }
        }
    }
    return out;
}

}  // namespace precheck
