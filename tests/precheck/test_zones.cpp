#include "precheck/test_zones.h"

namespace {

std::string tooManyLookups() {
    std::string record = "v=spf1";
    for (int i = 1; i <= 11; ++i) record += " a:h" + std::to_string(i) + ".test";
    return "toomany TXT \"" + record + " -all\"\n";
}

}  // namespace

const std::map<std::string, std::string>& testZones() {
    static const std::map<std::string, std::string> zones = {
        {"test",
         "$ORIGIN test.\n$TTL 60\n"
         "@ SOA ns.test. admin.test. 1 3600 600 86400 60\n"
         "@ NS ns.test.\n"
         "ns A 127.0.0.1\n"
         "smtp.pass A 192.0.2.10\n"
         "other A 192.0.2.99\n"
         "pass MX 10 mx.pass.test.\n"
         "pass TXT \"v=spf1 ip4:192.0.2.0/28 -all\"\n"
         "_dmarc.pass TXT \"v=DMARC1; p=reject; rua=mailto:dmarc@pass.test\"\n"
         "softfail MX 10 mx.pass.test.\n"
         "softfail TXT \"v=spf1 ip4:198.51.100.1 ~all\"\n"
         "fail MX 10 mx.pass.test.\n"
         "fail TXT \"v=spf1 ip4:198.51.100.1 -all\"\n"
         "neutral TXT \"v=spf1 ?all\"\n"
         "nospf MX 10 mx.pass.test.\n"
         "nospf TXT \"some other text\"\n"
         "loop TXT \"v=spf1 include:loop.test -all\"\n" +
             tooManyLookups() +
             "tworecords TXT \"v=spf1 -all\"\n"
             "tworecords TXT \"v=spf1 ip4:192.0.2.10 -all\"\n"
             "temp TXT \"v=spf1 include:gone.invalid -all\"\n"
             "macro TXT \"v=spf1 exists:%{ir}.allow.macro.test -all\"\n"
             "10.2.0.192.allow.macro A 127.0.0.2\n"
             "_dmarc.orgonly TXT \"v=DMARC1; p=quarantine; pct=50\"\n"
             "mail.orgonly MX 10 mx.pass.test.\n"
             "mail.orgonly TXT \"v=spf1 a:smtp.pass.test -all\"\n"
             "voids TXT \"v=spf1 a:n1.voids.test a:n2.voids.test a:n3.voids.test "
             "ip4:192.0.2.10 -all\"\n"
             "twovoids TXT \"v=spf1 a:n1.voids.test mx:n2.voids.test ip4:192.0.2.10 -all\"\n"
             "aonly A 192.0.2.50\n"
             "redirect TXT \"v=spf1 redirect=pass.test\"\n"
             "nothing TXT \"v=spf1 -all\"\n"},
        {"2.0.192.in-addr.arpa",
         "$ORIGIN 2.0.192.in-addr.arpa.\n$TTL 60\n"
         "@ SOA ns.test. admin.test. 1 3600 600 86400 60\n"
         "@ NS ns.test.\n"
         "10 PTR smtp.pass.test.\n"
         "20 PTR other.test.\n"},
    };
    return zones;
}
