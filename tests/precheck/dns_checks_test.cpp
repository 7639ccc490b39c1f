#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>
#include <stdexcept>

#include "precheck/dmarc_check.h"
#include "precheck/dns_checks.h"
#include "precheck/dns_client.h"
#include "precheck/precheck_input.h"
#include "precheck/server_addresses.h"
#include "precheck/spf_check.h"
#include "precheck/test_dns_server.h"
#include "precheck/test_zones.h"
#include "precheck/zone_server.h"
#include "smtp/test_smtp_server.h"
#include "support/temp_app_folder.h"

namespace {

// One NSD for the suite; each case asks through a resolver of its own, as a check run does.
class DnsChecks : public ::testing::Test {
protected:
    static void SetUpTestSuite() { server_ = new TestDnsServer(testZones()); }
    static void TearDownTestSuite() {
        delete server_;
        server_ = nullptr;
    }
    std::unique_ptr<precheck::DnsClient> dns(int timeoutMs = 2000) {
        return std::make_unique<precheck::DnsClient>(server_->address(), timeoutMs, &stop_);
    }
    std::atomic<bool> stop_{false};
    static TestDnsServer* server_;
};
TestDnsServer* DnsChecks::server_ = nullptr;

TEST_F(DnsChecks, SpfGivesEachResultOfCheckHost) {
    const struct {
        const char* sender;
        const char* address;
        const char* result;
    } rows[] = {
        {"info@pass.test", kServerAddress, "pass"},
        {"info@softfail.test", kServerAddress, "softfail"},
        {"info@fail.test", kServerAddress, "fail"},
        {"info@neutral.test", kServerAddress, "neutral"},
        {"info@nospf.test", kServerAddress, "none"},
        {"info@unknown-name.test", kServerAddress, "none"},
        {"info@loop.test", kServerAddress, "permerror"},
        {"info@toomany.test", kServerAddress, "permerror"},
        {"info@tworecords.test", kServerAddress, "permerror"},
        {"info@temp.test", kServerAddress, "temperror"},
        // Three look-ups that find nothing before the match; two are allowed.
        {"info@voids.test", kServerAddress, "permerror"},
        {"info@twovoids.test", kServerAddress, "pass"},
        {"info@macro.test", kServerAddress, "pass"},
        {"info@macro.test", "192.0.2.11", "fail"},
        {"info@mail.orgonly.test", kServerAddress, "pass"},
        {"info@pass.test", "198.51.100.7", "fail"},
    };
    for (const auto& row : rows) {
        const precheck::SpfOutcome spf = precheck::checkSpf(*dns(), row.address, row.sender, "");
        EXPECT_EQ(precheck::spf::resultName(spf.evaluation.result), std::string(row.result))
            << row.sender << " from " << row.address << ": " << spf.evaluation.problemTerm;
    }
}

TEST_F(DnsChecks, SpfShowsTheRecordAndTheMechanismThatDecided) {
    const struct {
        const char* sender;
        const char* address;
        const char* mechanism;
        const char* in;  // the domain whose record holds it
    } rows[] = {
        {"a@pass.test", kServerAddress, "ip4:192.0.2.0/28", "pass.test"},
        {"a@pass.test", "198.51.100.7", "-all", "pass.test"},
        {"a@softfail.test", kServerAddress, "~all", "softfail.test"},
        {"a@macro.test", kServerAddress, "exists:%{ir}.allow.macro.test", "macro.test"},
        {"a@mail.orgonly.test", kServerAddress, "a:smtp.pass.test", "mail.orgonly.test"},
        {"a@redirect.test", kServerAddress, "ip4:192.0.2.0/28", "pass.test"},
        {"a@toomany.test", kServerAddress, "", ""},  // an error decided, not a mechanism
        {"a@nospf.test", kServerAddress, "", ""},
    };
    for (const auto& row : rows) {
        const precheck::SpfOutcome spf = precheck::checkSpf(*dns(), row.address, row.sender, "");
        EXPECT_EQ(spf.evaluation.mechanism, row.mechanism) << row.sender << " from " << row.address;
        EXPECT_EQ(spf.evaluation.mechanismDomain, row.in) << row.sender;
    }
    const precheck::SpfOutcome pass = precheck::checkSpf(*dns(), kServerAddress, "a@pass.test", "");
    EXPECT_EQ(pass.record, "v=spf1 ip4:192.0.2.0/28 -all");
    const precheck::SpfOutcome twice =
        precheck::checkSpf(*dns(), kServerAddress, "a@tworecords.test", "");
    EXPECT_NE(twice.record.find(" / "), std::string::npos) << twice.record;
    EXPECT_EQ(twice.evaluation.problem, precheck::spf::Problem::TwoRecords);
}

// Policy discovery as receivers do it, from zone data with a silent name.
TEST(Dmarc, PolicyIsFoundOnTheDomainOrItsOrganisationalDomain) {
    const TempAppFolder folder;
    folder.write("dmarc.yml", R"(zonedata:
  _dmarc.pass.test: [TXT: "v=DMARC1; p=reject; rua=mailto:dmarc@pass.test"]
  _dmarc.orgonly.test: [TXT: "v=DMARC1; p=quarantine; sp=reject; pct=50"]
  _dmarc.mail.two.test: [TXT: "v=DMARC1; p=none", TXT: "v=DMARC1; p=reject"]
  _dmarc.two.test: [TXT: "v=DMARC1; p=quarantine"]
  _dmarc.blanks.test: [TXT: "v = DMARC1 ;p=none"]
  _dmarc.mail.lower.test: [TXT: "v=dmarc1; p=reject"]
  _dmarc.mail.slow.test: [TIMEOUT]
  _dmarc.slow.test: [TXT: "v=DMARC1; p=none"]
  _dmarc.example.co.jp: [TXT: "v=DMARC1; p=quarantine"]
  _dmarc.badp.test: [TXT: "v=DMARC1; p=block; rua=mailto:d@badp.test!10m"]
  _dmarc.badsp.test: [TXT: "v=DMARC1; p=reject; sp=never; rua=nowhere"]
)");
    const ZoneServer server(folder.file("dmarc.yml"));
    using precheck::DnsStatus;
    const struct {
        const char* domain;
        DnsStatus status;
        const char* foundAt;
        const char* policy;  // tag=value that applies
    } rows[] = {
        {"pass.test", DnsStatus::Found, "_dmarc.pass.test", "p=reject"},
        {"orgonly.test", DnsStatus::Found, "_dmarc.orgonly.test", "p=quarantine"},
        {"mail.orgonly.test", DnsStatus::Found, "_dmarc.orgonly.test", "sp=reject"},
        // Two records are no policy, and the search ends there.
        {"mail.two.test", DnsStatus::NoData, "_dmarc.mail.two.test", ""},
        {"blanks.test", DnsStatus::Found, "_dmarc.blanks.test", "p=none"},
        {"mail.lower.test", DnsStatus::NoName, "_dmarc.lower.test", ""},
        // No answer is no answer: never the organisational domain's record instead.
        {"mail.slow.test", DnsStatus::TempError, "_dmarc.mail.slow.test", ""},
        {"mail.example.co.jp", DnsStatus::Found, "_dmarc.example.co.jp", "p=quarantine"},
        {"fail.test", DnsStatus::NoName, "_dmarc.fail.test", ""},
        // A bad p= or sp= is p=none with a valid rua=, no policy without one.
        {"badp.test", DnsStatus::Found, "_dmarc.badp.test", "p=none"},
        {"badsp.test", DnsStatus::Found, "_dmarc.badsp.test", ""},
    };
    for (const auto& row : rows) {
        precheck::DnsClient dns(server.address(0), 400, nullptr);
        const precheck::DmarcOutcome dmarc = precheck::findDmarc(dns, row.domain);
        EXPECT_EQ(dmarc.status, row.status) << row.domain;
        EXPECT_EQ(dmarc.foundAt, row.foundAt) << row.domain;
        EXPECT_EQ(dmarc.policy.empty() ? "" : dmarc.policyTag + "=" + dmarc.policy, row.policy)
            << row.domain;
    }
    EXPECT_EQ(precheck::organisationalDomain("Mail.Example.CO.JP"), "example.co.jp");
    EXPECT_EQ(precheck::organisationalDomain("co.jp"), "co.jp");
}

TEST_F(DnsChecks, ReverseDnsMustResolveBackToTheAddress) {
    const struct {
        const char* address;
        const char* confirmed;
        std::size_t names;
    } rows[] = {
        {kServerAddress, "smtp.pass.test", 1},
        {kMismatchedAddress, "", 1},
        {kUnnamedAddress, "", 0},
    };
    for (const auto& row : rows) {
        const precheck::ReverseOutcome reverse = precheck::checkReverse(*dns(), row.address);
        EXPECT_EQ(reverse.confirmed, row.confirmed) << row.address;
        EXPECT_EQ(reverse.names.size(), row.names) << row.address;
        EXPECT_FALSE(reverse.forwardTempError) << row.address;
    }
}

TEST_F(DnsChecks, UnansweredQueriesAreTemporaryErrorsNeverEmptyAnswers) {
    // A server that never answers: the query times out.
    const SilentDnsPort quiet;
    precheck::DnsClient silent(quiet.address(), 300, &stop_);
    EXPECT_EQ(silent.query("pass.test", precheck::kTypeMx).status, precheck::DnsStatus::TempError);
    // Nothing listens on this port: the query is refused.
    precheck::DnsClient closed("127.0.0.1@" + std::to_string(unusedPort()), 300, &stop_);
    EXPECT_EQ(closed.query("pass.test", precheck::kTypeMx).status, precheck::DnsStatus::TempError);
    // A name outside the server's zones is refused.
    EXPECT_EQ(dns()->query("gone.invalid", precheck::kTypeTxt).status,
              precheck::DnsStatus::TempError);
    // A stop ends the wait at once.
    auto stopped = dns();
    stop_ = true;
    EXPECT_EQ(stopped->query("pass.test", precheck::kTypeMx).status,
              precheck::DnsStatus::TempError);
}

TEST_F(DnsChecks, AServerSettingLibunboundRefusesIsNamedNotIgnored) {
    for (const char* setting : {"not an address", "127.0.0.1@", "@53"}) {
        setenv("FENDRIVAL_DNS_SERVER", setting, 1);
        try {
            precheck::DnsClient::fromEnvironment(&stop_);
            ADD_FAILURE() << setting << " was taken";
        } catch (const std::runtime_error& error) {
            EXPECT_NE(std::string(error.what()).find(setting), std::string::npos) << error.what();
        }
    }
    unsetenv("FENDRIVAL_DNS_SERVER");
}

TEST_F(DnsChecks, WholeDnsPartJudgesEachSender) {
    using precheck::Verdict;
    const struct {
        const char* server;
        const char* sender;
        std::size_t gmail;
        std::vector<Verdict> verdicts;  // domain, free mail, SPF.., DMARC, DKIM, PTR..
    } rows[] = {
        {"smtp.pass.test",
         "info@pass.test",
         0,
         {Verdict::Ok, Verdict::Ok, Verdict::Ok, Verdict::Ok, Verdict::Caution, Verdict::Ok}},
        {"192.0.2.30",
         "info@nothing.test",
         5000,
         {Verdict::Problem, Verdict::Ok, Verdict::Problem, Verdict::Problem, Verdict::Caution,
          Verdict::Problem}},
        {"192.0.2.30",
         "info@nothing.test",
         4999,
         {Verdict::Problem, Verdict::Ok, Verdict::Problem, Verdict::Caution, Verdict::Caution,
          Verdict::Problem}},
        {"127.0.0.1",
         "info@aonly.test",
         0,
         {Verdict::Ok, Verdict::Ok, Verdict::Caution, Verdict::Caution, Verdict::Caution,
          Verdict::Caution}},
        {"172.20.0.5",  // private: SPF is not judged, so p=reject finds no alignment
         "info@pass.test",
         0,
         {Verdict::Ok, Verdict::Ok, Verdict::Caution, Verdict::Problem, Verdict::Caution,
          Verdict::Caution}},
        // No server: nothing to judge SPF or a PTR for, so no alignment either, and the
        // domain's p=reject turns that into a refusal.
        {"",
         "info@pass.test",
         0,
         {Verdict::Ok, Verdict::Ok, Verdict::Problem, Verdict::Problem, Verdict::Caution}},
        {"smtp.pass.test", "someone@gmail.com", 0, {}},
        {"smtp.pass.test", "no-domain", 0, {Verdict::Problem}},
    };
    for (const auto& row : rows) {
        precheck::SendingFields fields;
        fields.server = row.server;
        fields.sender = row.sender;
        precheck::DnsFacts facts;
        const auto items = precheck::dnsChecks(fields, row.gmail, *dns(), stop_, facts);
        if (row.verdicts.empty()) {
            // A free-mail sender is a problem whatever DNS says.
            ASSERT_GE(items.size(), 2u);
            EXPECT_EQ(items[1].verdict, Verdict::Problem) << items[1].finding;
            continue;
        }
        ASSERT_EQ(items.size(), row.verdicts.size()) << row.sender;
        for (std::size_t i = 0; i < items.size(); ++i)
            EXPECT_EQ(items[i].verdict, row.verdicts[i])
                << row.sender << " item " << i << ": " << items[i].title << " " << items[i].finding;
    }
}

}  // namespace
