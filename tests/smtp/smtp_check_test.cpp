// The dialogue against a real SMTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <cstring>
#include <thread>

#include "smtp/check_report.h"
#include "smtp/smtp_check.h"
#include "smtp/test_smtp_server.h"

namespace {

using smtp::Failure;
using Mode = TestSmtpServer::Mode;

enum class Ca { Test, Other };

struct LiveCase {
    const char* name;
    Mode mode;
    bool serverAuth;
    bool auth;  // the request's SMTP-AUTH
    const char* password;
    Ca ca;
    Failure expected;
    bool tls;
    const char* replyStart;  // the telling server line; "" for none expected
    std::vector<std::string> serverOptions = {};
    bool implicitTls = false;  // the server's port stands in for 465
};

const LiveCase kLiveCases[] = {
    {"PlainSmtp", Mode::Plain, false, false, "", Ca::Test, Failure::None, false, ""},
    {"StartTls", Mode::StartTls, false, false, "", Ca::Test, Failure::None, true, ""},
    {"AuthAccepted", Mode::StartTls, true, true, TestSmtpServer::kPassword, Ca::Test, Failure::None,
     true, ""},
    {"AuthRefused", Mode::StartTls, true, true, "wrong-pass", Ca::Test, Failure::AuthRefused, true,
     "535"},
    {"UnknownCa", Mode::StartTls, false, false, "", Ca::Other, Failure::CertificateUnknownIssuer,
     false, ""},
    {"AuthWithoutStartTls", Mode::Plain, false, true, TestSmtpServer::kPassword, Ca::Test,
     Failure::TlsRequired, false, ""},
    {"AuthNotOffered", Mode::StartTls, false, true, TestSmtpServer::kPassword, Ca::Test,
     Failure::AuthNotOffered, true, ""},
    {"AuthTemporaryFailure",
     Mode::StartTls,
     true,
     true,
     TestSmtpServer::kPassword,
     Ca::Test,
     Failure::AuthTemporary,
     true,
     "454",
     {"--auth-reply", "454 4.7.0 Temporary authentication failure"}},
    {"AuthWantsAnotherWay",
     Mode::StartTls,
     true,
     true,
     TestSmtpServer::kPassword,
     Ca::Test,
     Failure::AuthOtherMethod,
     true,
     "534",
     {"--auth-reply", "534 5.7.9 Application-specific password required"}},
    {"AuthWantsEncryption",
     Mode::StartTls,
     true,
     true,
     TestSmtpServer::kPassword,
     Ca::Test,
     Failure::AuthNeedsEncryption,
     true,
     "530",
     {"--auth-reply", "530 5.7.0 Must issue a STARTTLS command first"}},
    {"ImplicitTls",
     Mode::ImplicitTls,
     true,
     true,
     TestSmtpServer::kPassword,
     Ca::Test,
     Failure::None,
     true,
     "",
     {},
     true},
};

void PrintTo(const LiveCase& c, std::ostream* out) {
    *out << c.name;
}

class LiveServer : public testing::TestWithParam<LiveCase> {};

TEST_P(LiveServer, GivesTheCaseItsOwnOutcome) {
    const LiveCase& c = GetParam();
    TestSmtpServer server(c.mode, c.serverAuth, c.serverOptions);
    ASSERT_NE(server.port(), 0);
    smtp::Request request = localRequest(server.port());
    if (c.implicitTls) request.implicitTlsPort = server.port();
    request.auth = c.auth;
    request.user = TestSmtpServer::kUser;
    request.password = c.password;
    if (c.ca == Ca::Other) request.caFile = testCertificates().otherCaFile;

    const std::atomic<bool> cancel{false};
    const smtp::Result result = smtp::run(request, cancel);

    EXPECT_EQ(result.failure, c.expected)
        << result.curlText << " / " << smtp::telling(result.serverLines);
    EXPECT_TRUE(result.connected);
    ASSERT_FALSE(result.serverLines.empty());
    EXPECT_EQ(result.serverLines.front().substr(0, 3), "220");  // the greeting
    EXPECT_EQ(result.tlsVersion.rfind("TLSv1.", 0) == 0, c.tls) << result.tlsVersion;
    EXPECT_EQ(result.authenticated, c.expected == Failure::None && c.auth);
    if (c.expected == Failure::None) {
        EXPECT_EQ(result.serverLines.back().substr(0, 3), "221");  // QUIT was answered
    }
    if (*c.replyStart) {
        EXPECT_EQ(smtp::telling(result.serverLines).rfind(c.replyStart, 0), 0u)
            << smtp::telling(result.serverLines);
    }
    // The box shows the reply to the failing step, and only that.
    const smtp::Report report = smtp::describe(request, result);
    EXPECT_EQ(report.serverReply.substr(0, std::strlen(c.replyStart)), c.replyStart)
        << report.serverReply;
    if (!*c.replyStart) EXPECT_EQ(report.serverReply, "");
    // Every session the server could read ends with QUIT; no password goes out unencrypted.
    const std::string events = server.file("events");
    if (c.ca == Ca::Test) EXPECT_EQ(events.substr(events.size() - 5), "QUIT\n") << events;
    if (!c.tls) EXPECT_EQ(events.find("AUTH"), std::string::npos) << events;
    // Only what the server said is kept: never our AUTH line or the password in it.
    for (const std::string& line : result.serverLines) {
        EXPECT_EQ(line.find(c.password[0] ? c.password : "\x01"), std::string::npos) << line;
        EXPECT_NE(line.rfind("AUTH", 0), 0u) << line;
    }
}

INSTANTIATE_TEST_SUITE_P(SmtpCheck, LiveServer, testing::ValuesIn(kLiveCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(SmtpCheckLive, NothingListeningIsARefusedConnection) {
    const std::atomic<bool> cancel{false};
    const smtp::Result result = smtp::run(localRequest(unusedPort()), cancel);
    EXPECT_EQ(result.failure, Failure::ConnectionRefused) << result.curlText;
    EXPECT_FALSE(result.connected);
    EXPECT_TRUE(result.serverLines.empty());
}

TEST(SmtpCheckLive, SilentServerTimesOutAfterTheStepTimeout) {
    TestSmtpServer server(Mode::Silent, false);
    ASSERT_NE(server.port(), 0);
    smtp::Request request = localRequest(server.port());
    request.stepTimeout = std::chrono::milliseconds(700);
    const std::atomic<bool> cancel{false};
    const smtp::Result result = smtp::run(request, cancel);
    EXPECT_EQ(result.failure, Failure::Timeout) << result.curlText;
    EXPECT_TRUE(result.connected);  // reached, but no greeting
    EXPECT_TRUE(result.serverLines.empty());
    const smtp::Report report = smtp::describe(request, result);
    EXPECT_NE(report.headline.find("応答しませんでした"), std::string::npos) << report.headline;
}

TEST(SmtpCheckLive, CancelDuringTheWaitEndsTheCheck) {
    TestSmtpServer server(Mode::Silent, false);
    ASSERT_NE(server.port(), 0);
    const smtp::Request request = localRequest(server.port());  // the full 15 s per step
    std::atomic<bool> cancel{false};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    const smtp::Result result = smtp::run(request, cancel);
    canceller.join();
    EXPECT_EQ(result.failure, Failure::Cancelled) << result.curlText;
}

}  // namespace
