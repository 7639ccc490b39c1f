#include "precheck/address_kind.h"

#include <arpa/inet.h>

#include <array>
#include <cstring>

namespace precheck {
namespace {

struct Range {
    const char* prefix;  // an address; its first `bits` bits are the range
    int bits;
    AddressKind kind;
};

// Every range outside the public address space that a server address may fall in.
constexpr Range kRanges[] = {
    {"0.0.0.0", 8, AddressKind::Special},  // "this network"
    {"10.0.0.0", 8, AddressKind::Private},
    {"100.64.0.0", 10, AddressKind::Shared},
    {"127.0.0.0", 8, AddressKind::Loopback},
    {"169.254.0.0", 16, AddressKind::LinkLocal},
    {"172.16.0.0", 12, AddressKind::Private},
    {"192.0.2.0", 24, AddressKind::Documentation},
    {"192.168.0.0", 16, AddressKind::Private},
    {"198.51.100.0", 24, AddressKind::Documentation},
    {"203.0.113.0", 24, AddressKind::Documentation},
    {"224.0.0.0", 3, AddressKind::Special},  // multicast, reserved and broadcast
    {"::", 128, AddressKind::Special},
    {"::1", 128, AddressKind::Loopback},
    {"2001:db8::", 32, AddressKind::Documentation},
    {"3fff::", 20, AddressKind::Documentation},
    {"fc00::", 7, AddressKind::Private},
    {"fe80::", 10, AddressKind::LinkLocal},
    {"fec0::", 10, AddressKind::Private},  // the retired site-local range
    {"ff00::", 8, AddressKind::Special},   // multicast
};

struct Parsed {
    int family = AF_UNSPEC;
    std::array<unsigned char, 16> bytes{};
};

Parsed parse(const char* text) {
    Parsed out;
    if (inet_pton(AF_INET, text, out.bytes.data()) == 1) {
        out.family = AF_INET;
    } else if (inet_pton(AF_INET6, text, out.bytes.data()) == 1) {
        out.family = AF_INET6;
        static const unsigned char mapped[12] = {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF};
        if (std::memcmp(out.bytes.data(), mapped, sizeof mapped) == 0) {
            std::memmove(out.bytes.data(), out.bytes.data() + 12, 4);
            out.family = AF_INET;
        }
    }
    return out;
}

bool within(const Parsed& address, const Range& range) {
    const Parsed prefix = parse(range.prefix);
    if (prefix.family != address.family) return false;
    const int whole = range.bits / 8, rest = range.bits % 8;
    if (std::memcmp(address.bytes.data(), prefix.bytes.data(), std::size_t(whole)) != 0)
        return false;
    const auto mask = static_cast<unsigned char>(0xFF << (8 - rest));
    return rest == 0 ||
           (address.bytes[std::size_t(whole)] & mask) == prefix.bytes[std::size_t(whole)];
}

}  // namespace

AddressKind addressKind(const std::string& address) {
    const Parsed parsed = parse(address.c_str());
    if (parsed.family == AF_UNSPEC) return AddressKind::Special;
    for (const Range& range : kRanges)
        if (within(parsed, range)) return range.kind;
    return AddressKind::Public;
}

bool judgedFromOutside(AddressKind kind) {
    return kind == AddressKind::Public || kind == AddressKind::Documentation;
}

std::string kindName(AddressKind kind) {
    switch (kind) {
        case AddressKind::Loopback:
            return "ループバック";
        case AddressKind::LinkLocal:
            return "リンクローカル";
        case AddressKind::Shared:
            return "共有（CGNAT）";
        case AddressKind::Special:
            return "特殊用途の";
        default:
            return "プライベート";
    }
}

}  // namespace precheck
