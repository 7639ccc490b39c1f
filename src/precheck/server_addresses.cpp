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

AddressKind addressKind(const std::string& address) {
    unsigned char b[16] = {};
    if (inet_pton(AF_INET, address.c_str(), b) == 1) {
        if (b[0] == 127) return AddressKind::Loopback;
        if (b[0] == 10 || (b[0] == 172 && (b[1] & 0xF0) == 16) || (b[0] == 192 && b[1] == 168) ||
            (b[0] == 169 && b[1] == 254) || (b[0] == 100 && (b[1] & 0xC0) == 64) || b[0] == 0)
            return AddressKind::Private;
        return AddressKind::Public;
    }
    if (inet_pton(AF_INET6, address.c_str(), b) == 1) {
        static const unsigned char loopback[16] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1};
        if (std::memcmp(b, loopback, 16) == 0) return AddressKind::Loopback;
        // An IPv4-mapped address is judged as the IPv4 address it carries.
        static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        if (std::memcmp(b, mapped, 12) == 0) {
            char v4[INET_ADDRSTRLEN];
            inet_ntop(AF_INET, b + 12, v4, sizeof v4);
            return addressKind(v4);
        }
        if ((b[0] & 0xFE) == 0xFC || (b[0] == 0xFE && (b[1] & 0xC0) == 0x80))
            return AddressKind::Private;
        return AddressKind::Public;
    }
    return AddressKind::Private;
}

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
