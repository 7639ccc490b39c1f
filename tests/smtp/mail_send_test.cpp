// The test mail against a real SMTP server on 127.0.0.1.
#include <gtest/gtest.h>

#include <thread>

#include "smtp/mail_send.h"
#include "smtp/send_report.h"
#include "smtp/test_smtp_server.h"

namespace {

using smtp::Failure;
using Mode = TestSmtpServer::Mode;

// Lines that start with a dot travel dot-stuffed and must arrive as written.
const char kMessage[] =
    "From: sender@example.com\r\nTo: taro@example.com\r\nSubject: test\r\n\r\n"
    "first line\r\n.\r\n..two dots\r\n.one dot\r\nlast\r\n";

struct SendCase {
    const char* name;
    Mode mode;
    bool auth;
    std::vector<std::string> serverOptions;
    const char* password;
    const char* to;
    Failure expected;
    const char* replyStart;    // the reply shown in the box
    const char* headlinePart;  // what the box says
};

const SendCase kSendCases[] = {
    {"Accepted",
     Mode::Plain,
     false,
     {"--capture"},
     "",
     "taro@example.com",
     Failure::None,
     "250 2.0.0 Ok: queued as",
     "テストメールを送信しました"},
    {"AcceptedAfterStartTlsAndAuth",
     Mode::StartTls,
     true,
     {"--capture"},
     TestSmtpServer::kPassword,
     "taro@example.com",
     Failure::None,
     "250 2.0.0 Ok: queued as",
     "テストメールを送信しました"},
    {"SenderRefused",
     Mode::Plain,
     false,
     {"--refuse", "mail"},
     "",
     "taro@example.com",
     Failure::SenderRefused,
     "553 ",
     "送信元メールアドレスを受け付けませんでした"},
    {"RecipientRefused",
     Mode::Plain,
     false,
     {"--refuse", "rcpt"},
     "",
     "taro@example.com",
     Failure::RecipientRefused,
     "550 ",
     "宛先のメールアドレスを受け付けませんでした"},
    {"MessageRefused",
     Mode::Plain,
     false,
     {"--refuse", "data"},
     "",
     "taro@example.com",
     Failure::MessageRefused,
     "552 ",
     "メールの内容を受け付けませんでした"},
    {"WrongPasswordSendsNoMail",
     Mode::StartTls,
     true,
     {"--capture"},
     "wrong-pass",
     "taro@example.com",
     Failure::AuthRefused,
     "535 ",
     "パスワードが間違っています"},
    {"ASecondRecipientIsNeverSent",
     Mode::Plain,
     false,
     {"--capture"},
     "",
     "taro@example.com>\r\nRCPT TO:<jiro@example.com",
     Failure::BadEnvelope,
     "",
     "使用できない文字"},
};

void PrintTo(const SendCase& c, std::ostream* out) {
    *out << c.name;
}

class SendLive : public testing::TestWithParam<SendCase> {};

TEST_P(SendLive, GivesTheCaseItsOwnOutcome) {
    const SendCase& c = GetParam();
    TestSmtpServer server(c.mode, c.auth, c.serverOptions);
    ASSERT_NE(server.port(), 0);
    smtp::SendRequest request = localRequest(server.port());
    request.auth = c.auth;
    request.password = c.password;
    request.to = c.to;
    request.message = kMessage;

    const std::atomic<bool> cancel{false};
    const smtp::SendResult result = smtp::send(request, cancel);
    EXPECT_EQ(result.failure, c.expected) << result.curlText << " / " << result.reply;
    EXPECT_EQ(result.authenticated, c.auth && c.expected == Failure::None);

    const smtp::Report report = smtp::describeSend(request, result);
    EXPECT_EQ(report.ok, c.expected == Failure::None);
    EXPECT_NE(report.headline.find(c.headlinePart), std::string::npos) << report.headline;
    EXPECT_EQ(report.serverReply.rfind(c.replyStart, 0), 0u) << report.serverReply;
    std::string shown = report.headline + report.advice + report.serverReply + report.detail;
    for (const std::string& fact : report.facts) shown += fact;
    for (const std::string& line : result.serverLines) shown += line;
    if (*c.password) EXPECT_EQ(shown.find(c.password), std::string::npos) << shown;

    const std::string events = server.file("events");
    if (c.expected == Failure::BadEnvelope) {
        EXPECT_EQ(events, "");  // nothing was even tried
        return;
    }
    EXPECT_EQ(events.substr(events.size() - 5), "QUIT\n") << events;
    if (c.expected == Failure::None) {
        EXPECT_EQ(server.file("message"), kMessage);
        EXPECT_EQ(server.file("envelope"), "sender@example.com\ntaro@example.com\n");
    } else {
        EXPECT_EQ(server.file("message"), "");
    }
    if (c.expected == Failure::AuthRefused) {
        EXPECT_EQ(events.find("MAIL"), std::string::npos);
    }
}

INSTANTIATE_TEST_SUITE_P(MailSend, SendLive, testing::ValuesIn(kSendCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(MailSendLive, CancelDuringTheWaitEndsTheSend) {
    TestSmtpServer server(Mode::Silent, false);
    ASSERT_NE(server.port(), 0);
    smtp::SendRequest request = localRequest(server.port());
    request.message = kMessage;
    std::atomic<bool> cancel{false};
    std::thread canceller([&cancel] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    const smtp::SendResult result = smtp::send(request, cancel);
    canceller.join();
    EXPECT_EQ(result.failure, Failure::Cancelled) << result.curlText;
    EXPECT_EQ(smtp::describeSend(request, result).headline, "テスト送信を中止しました。");
}

}  // namespace
