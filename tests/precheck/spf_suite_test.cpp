// The SPF standard's own test suite (RFC 7208, release 2014.04): every test must give one
// of the results it accepts, and the explanation where it names one.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <iostream>

#include "precheck/dns_client.h"
#include "precheck/spf_eval.h"
#include "precheck/zone_server.h"
#include "text/cp932_char.h"

namespace {

// Long enough for a local answer, short enough that the suite's silent names cost little;
// FENDRIVAL_SUITE_TIMEOUT_MS gives a slow run (under valgrind, say) more.
int queryTimeoutMs() {
    const char* setting = std::getenv("FENDRIVAL_SUITE_TIMEOUT_MS");
    return setting ? std::atoi(setting) : 400;
}

std::string folded(std::string s) {
    for (char& c : s) c = text::cp932::foldAscii(c);
    return s;
}

TEST(Rfc7208Suite, EveryTestGivesOneOfItsAcceptableResults) {
    const ZoneServer server(precheckTestFolder() + "/data/rfc7208-tests.yml");
    ASSERT_EQ(server.tests().size(), 203u);
    std::size_t passed = 0;
    const int timeoutMs = queryTimeoutMs();
    for (const ZoneServer::SuiteTest& test : server.tests()) {
        precheck::DnsClient dns(server.address(test.document), timeoutMs, nullptr);
        const precheck::spf::Evaluation e =
            precheck::spf::checkHost(dns, test.host, test.mailfrom, test.helo);
        const std::string result = precheck::spf::resultName(e.result);
        bool ok = std::find(test.results.begin(), test.results.end(), result) != test.results.end();
        // "DEFAULT" is no text of the record's own. The suite writes the nibbles of an IPv6
        // %{i} in its host's case, so texts compare without case.
        if (test.explanation == "DEFAULT")
            ok = ok && e.explanation.empty();
        else if (test.explanation != "-")
            ok = ok && folded(e.explanation) == folded(test.explanation);
        passed += ok;
        EXPECT_TRUE(ok) << test.name << ": " << result << " \"" << e.explanation << "\", wanted "
                        << test.results.front() << " \"" << test.explanation << "\" ("
                        << e.problemTerm << " " << e.problemDomain << ")";
    }
    std::cout << "RFC 7208 suite: " << passed << "/" << server.tests().size() << "\n";
}

}  // namespace
