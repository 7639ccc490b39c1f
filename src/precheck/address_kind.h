#pragma once

#include <string>

// What kind of address the SMTP server has, as the world outside the sending network sees
// it: one table of the special ranges, IPv4 and IPv6.
namespace precheck {

enum class AddressKind {
    Public,
    Private,        // 10/8, 172.16/12, 192.168/16, fc00::/7, fec0::/10
    Loopback,       // 127/8, ::1
    LinkLocal,      // 169.254/16, fe80::/10
    Shared,         // 100.64/10, the carrier's side of a CGNAT
    Documentation,  // 192.0.2/24, 198.51.100/24, 203.0.113/24, 2001:db8::/32, 3fff::/20
    Special,        // unspecified, multicast, reserved, broadcast, or no address at all
};

// An IPv4-mapped IPv6 address is the IPv4 address it carries.
AddressKind addressKind(const std::string& address);

// Whether SPF and reverse DNS can be judged for it from outside. Documentation addresses
// stand for public ones in examples and tests, so they are judged like them.
bool judgedFromOutside(AddressKind kind);

// The kind as the check's finding names it, "プライベート" say.
std::string kindName(AddressKind kind);

}  // namespace precheck
