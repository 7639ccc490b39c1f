#include "precheck/address_kind.h"

#include <gtest/gtest.h>

#include <sstream>

// Each range to both its edges, and the public addresses just outside, in both families.
TEST(AddressKind, EachRangeToItsEdgesInBothFamilies) {
    using K = precheck::AddressKind;
    const struct {
        K kind;
        bool judged;            // SPF and reverse DNS are looked at
        const char* addresses;  // blank-separated
    } rows[] = {
        {K::Public, true,
         "9.255.255.255 11.0.0.0 100.63.255.255 100.128.0.0 172.15.255.255 172.32.0.0 "
         "192.169.0.0 223.255.255.255 2001:db9::1 fbff::1 3fff:1000::1"},
        {K::Private, false,
         "10.0.0.0 172.16.0.0 172.17.0.1 172.31.255.255 192.168.255.255 fc00:: fdff::1 "
         "fec0::1 ::ffff:172.20.0.1"},
        {K::Loopback, false, "127.0.0.1 127.255.255.255 ::1"},
        {K::LinkLocal, false, "169.254.0.0 169.254.255.255 fe80::1 febf::1"},
        {K::Shared, false, "100.64.0.0 100.127.255.255"},
        {K::Documentation, true,
         "192.0.2.0 198.51.100.7 203.0.113.255 2001:db8::1 3fff:fff::1 ::ffff:192.0.2.1"},
        {K::Special, false, "0.0.0.0 224.0.0.1 255.255.255.255 :: ff02::1 192.0.2 smtp.x.jp"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(precheck::judgedFromOutside(row.kind), row.judged);
        std::istringstream addresses(row.addresses);
        for (std::string address; addresses >> address;)
            EXPECT_EQ(precheck::addressKind(address), row.kind) << address;
    }
}
