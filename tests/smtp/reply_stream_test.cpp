// Scripted server byte streams, each played whole, byte by byte and cut at random points:
// the verdict must not depend on how the bytes were split.
#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>

#include "smtp/check_report.h"
#include "smtp/ehlo_name.h"
#include "smtp/mail_send.h"
#include "smtp/send_report.h"
#include "smtp/test_smtp_server.h"

namespace {

using smtp::Failure;
using Script = std::vector<std::string>;  // each step: its letter, then its bytes

constexpr std::chrono::milliseconds kStep{2000};

Script operator+(Script a, const Script& b) {
    a.insert(a.end(), b.begin(), b.end());
    return a;
}

Script ehloReply(int lines, int authAt, const char* auth = "AUTH PLAIN LOGIN") {
    std::string reply;
    for (int i = 1; i <= lines; ++i) {
        const std::string text = i == 1        ? "test.example greets you"
                                 : i == authAt ? auth
                                               : "X-FILLER-" + std::to_string(i);
        reply += std::string(i == lines ? "250 " : "250-") + text + "\r\n";
    }
    return {"S" + reply};
}

const Script kPlain = {"S220 test.example ESMTP\r\n", "EEHLO",
                       "S250-test.example\r\n250 8BITMIME\r\n"};

Script tlsWith(const Script& ehlo) {
    return Script{"S220 test.example ESMTP\r\n",
                  "EEHLO",
                  "S250-test.example\r\n250 STARTTLS\r\n",
                  "ESTARTTLS",
                  "S220 2.0.0 Go ahead\r\n",
                  "T",
                  "EEHLO"} +
           ehlo;
}

const Script kTls = tlsWith(ehloReply(3, 2));
const Script kMailUntilData = {"EMAIL", "S250 2.1.0 Ok\r\n",
                               "ERCPT", "S250 2.1.5 Ok\r\n",
                               "EDATA", "S354 End data with <CR><LF>.<CR><LF>\r\n",
                               "D"};
const Script kAccepted = {"S250 2.0.0 Ok: queued\r\n", "EQUIT", "S221 2.0.0 Bye\r\n"};

struct StreamCase {
    const char* name;
    Script script;
    Failure expected;
    const char* reply;  // how the reply shown in the box starts
    const char* step;   // the step the box names
    bool mail = false;  // the test mail rather than the connection test
    bool auth = false;
    std::string message = "Subject: t\r\n\r\nbody\r\n";
    std::string data;      // the raw data the server read, when it matters
    std::string received;  // the client's lines, when they matter

    StreamCase asMail(std::string sent = {}, std::string read = {}) const {
        StreamCase c = *this;
        c.mail = true;
        if (!sent.empty()) c.message = sent;
        c.data = read;
        return c;
    }
    StreamCase withAuth() const {
        StreamCase c = *this;
        c.auth = true;
        return c;
    }
    StreamCase hearing(std::string lines) const {
        StreamCase c = *this;
        c.received = lines;
        return c;
    }
};

StreamCase row(const char* name, Script script, Failure expected, const char* reply = "",
               const char* step = "") {
    StreamCase c{};
    c.name = name;
    c.script = std::move(script);
    c.expected = expected;
    c.reply = reply;
    c.step = step;
    return c;
}

const Script kLogIn = {"EAUTH", "S235 2.7.0 Ok\r\n", "ENOOP", "S250 2.0.0 Ok\r\n",
                       "EQUIT", "S221 Bye\r\n"};

const StreamCase kCases[] = {
    // Every row checks the name the server was greeted with; this one is about nothing else.
    row("GreetsWithAProperName",
        kPlain + Script{"ENOOP", "S250 2.0.0 Ok\r\n", "EQUIT", "S221 Bye\r\n"}, Failure::None)
        .hearing("EHLO *\n?\nQUIT\n"),
    row("ContinuationThatNeverEnds", kPlain + Script{"ENOOP", "R250-still thinking\r\n"},
        Failure::Timeout, "", "NOOP"),
    row("GreetingThatNeverEnds", {"R220-welcome\r\n"}, Failure::Timeout),
    row("EhloReplyThatNeverEnds",
        Script{"S220 test.example ESMTP\r\n", "EEHLO", "R250-still thinking\r\n"}, Failure::Timeout,
        "", "EHLO"),
    row("QuitFloodAfterRefusedLogin",
        kTls + Script{"EAUTH", "S535 5.7.8 Authentication credentials invalid\r\n", "EQUIT",
                      "R221-bye\r\n"},
        Failure::AuthRefused, "535 5.7.8", "AUTH")
        .withAuth(),
    row("ReplyAfterAcceptedLogin",
        kTls + Script{"EAUTH", "S235 2.7.0 Authentication successful\r\n250 2.0.0 extra\r\n"},
        Failure::UnexpectedReply, "250 2.0.0 extra", "AUTH")
        .withAuth(),
    row("RefusalBehindAcceptedData",
        kPlain + kMailUntilData + Script{"S250 2.0.0 Ok: queued\r\n554 5.7.1 Rejected\r\n"},
        Failure::UnexpectedReply, "554 5.7.1 Rejected", "本文の送信")
        .asMail(),
    row("UnsolicitedReplyAfterGreeting",
        Script{"S220 test.example ESMTP\r\n250 2.0.0 unsolicited\r\n", "EEHLO",
               "S250-test.example\r\n250 8BITMIME\r\n"} +
            kMailUntilData + kAccepted,
        Failure::UnexpectedReply, "250 2.0.0 unsolicited", "EHLO")
        .asMail()
        .hearing("EHLO *\nQUIT\n"),
    // libcurl reads the reply it takes for the EHLO answer together with what follows.
    row("UnsolicitedReplyEndsWithTheEhloReply",
        Script{"S220 test.example ESMTP\r\n250 2.0.0 unsol", "EEHLO",
               "Sicited\r\n250-test.example\r\n250 8BITMIME\r\n"} +
            kMailUntilData + kAccepted,
        Failure::UnexpectedReply, "250 2.0.0 unsolicited", "EHLO")
        .asMail()
        .hearing("EHLO *\nQUIT\n"),
    row("AuthEarlyInALongEhloReply", tlsWith(ehloReply(102, 2)) + kLogIn, Failure::None).withAuth(),
    row("AuthLastInATwentyLineEhloReply", tlsWith(ehloReply(20, 20)) + kLogIn, Failure::None)
        .withAuth(),
    row("FourDigitCode", kPlain + Script{"ENOOP", "S2500 Ok\r\n"}, Failure::UnexpectedReply,
        "2500 Ok", "NOOP"),
    row("CodeChangesInsideAReply", kPlain + Script{"ENOOP", "S250-Ok\r\n251 Ok\r\n"},
        Failure::UnexpectedReply, "251 Ok", "NOOP"),
    row("RefusedNoop",
        kPlain + Script{"ENOOP", "S502 5.5.1 Command not implemented\r\n", "EQUIT", "S221 Bye\r\n"},
        Failure::ServerRefused, "502 5.5.1", "NOOP"),
    row("TwoLineMailReplyInTwoPieces",
        kPlain +
            Script{"EMAIL", "S250-2.1.0 first\r\n", "W0.3", "S250 2.1.0 Ok\r\n", "ERCPT",
                   "S250 2.1.5 Ok\r\n", "EDATA", "S354 Go\r\n", "D"} +
            kAccepted,
        Failure::None, "250 2.0.0 Ok: queued")
        .asMail(),
    row("RefusedLoginContinuationIsCancelled",
        tlsWith(ehloReply(2, 2, "AUTH LOGIN")) +
            Script{"EAUTH LOGIN", "S334 VXNlcm5hbWU6\r\n", "E", "S334 UGFzc3dvcmQ6\r\n", "E",
                   "S334 once more\r\n", "E*", "S501 5.7.0 Cancelled\r\n", "EQUIT", "S221 Bye\r\n"},
        Failure::AuthFailed, "334 once more", "AUTH")
        .withAuth()
        .hearing("EHLO *\nSTARTTLS\nEHLO *\nAUTH LOGIN\n?\n?\n*\nQUIT\n"),
    row("HangUpAfterAcceptedData",
        kPlain + kMailUntilData + Script{"S250 2.0.0 Ok: queued\r\n", "C"}, Failure::None,
        "250 2.0.0 Ok: queued")
        .asMail(),
    row("DotAfterCrLf", kPlain + kMailUntilData + kAccepted, Failure::None, "250 2.0.0")
        .asMail("a\r\n.b\r\n", "a\r\n..b\r\n.\r\n"),
    row("DotAfterLoneLf", kPlain + kMailUntilData + kAccepted, Failure::None, "250 2.0.0")
        .asMail("a\n.b\n.", "a\r\n..b\r\n..\r\n.\r\n"),
    row("DotAfterLoneCr", kPlain + kMailUntilData + kAccepted, Failure::None, "250 2.0.0")
        .asMail("a\r.b\r\r\n.", "a\r\n..b\r\n\r\n..\r\n.\r\n"),
    // A NUL ends a stored line, but the message goes out whole.
    row("NulInTheMessageIsSentWhole", kPlain + kMailUntilData + kAccepted, Failure::None,
        "250 2.0.0")
        .asMail(std::string("a\0b\n.c", 6), std::string("a\0b\r\n..c\r\n.\r\n", 13)),
};

enum class Split { Whole, Bytes, Random };

struct Run {
    StreamCase c;
    Split split;
};

void PrintTo(const Run& r, std::ostream* out) {
    *out << r.c.name;
}

std::string hex(const std::string& bytes) {
    static const char* digits = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

// The received lines: each EHLO's name masked, any other command but QUIT, STARTTLS, AUTH LOGIN
// and "*" as "?" (credentials among them).
std::string masked(const std::string& received) {
    std::string out;
    std::size_t start = 0;
    for (std::size_t end; (end = received.find('\n', start)) != std::string::npos;
         start = end + 1) {
        std::string line = received.substr(start, end - start);
        if (line.rfind("EHLO ", 0) == 0) line = "EHLO *";
        if (line != "AUTH LOGIN" && line != "QUIT" && line != "STARTTLS" && line != "EHLO *" &&
            line != "*")
            line = "?";
        out += line + "\n";
    }
    return out;
}

class ReplyStreams : public testing::TestWithParam<Run> {};

TEST_P(ReplyStreams, GiveOneVerdictHoweverTheBytesAreSplit) {
    const StreamCase& c = GetParam().c;
    char scriptPath[] = "/tmp/fendrival-smtp-script-XXXXXX";
    const int fd = mkstemp(scriptPath);
    ASSERT_GE(fd, 0);
    close(fd);
    {
        std::ofstream script(scriptPath);
        for (const std::string& step : c.script) script << step[0] << hex(step.substr(1)) << "\n";
    }
    const char* split[] = {"whole", "bytes", "random"};
    TestSmtpServer server(TestSmtpServer::Mode::Scripted, false,
                          {"--script", scriptPath, "--split", split[int(GetParam().split)]});
    ASSERT_NE(server.port(), 0);

    smtp::SendRequest request = localRequest(server.port());
    request.stepTimeout = kStep;
    request.auth = c.auth;
    request.password = TestSmtpServer::kPassword;
    request.message = c.message;
    const std::atomic<bool> cancel{false};
    const auto started = std::chrono::steady_clock::now();
    smtp::SendResult result;
    if (c.mail)
        result = smtp::send(request, cancel);
    else
        static_cast<smtp::Result&>(result) = smtp::run(request, cancel);
    const auto took = std::chrono::steady_clock::now() - started;
    std::remove(scriptPath);

    EXPECT_EQ(result.failure, c.expected) << result.curlText << " / " << result.reply;
    const smtp::Report report =
        c.mail ? smtp::describeSend(request, result) : smtp::describe(request, result);
    EXPECT_EQ(report.serverReply.rfind(c.reply, 0), 0u) << report.serverReply;
    EXPECT_EQ(result.step, c.step);
    if (*c.step) {
        const std::string fact = std::string("・失敗した手順: ") + c.step;
        EXPECT_NE(std::find(report.facts.begin(), report.facts.end(), fact), report.facts.end());
    }
    // No step outlasts its limit, whatever keeps trickling in; a refusal's QUIT gets one step.
    EXPECT_LT(took, (c.expected == Failure::Timeout ? kStep : 2 * kStep) + std::chrono::seconds(1));
    if (!c.data.empty()) EXPECT_EQ(server.file("message"), c.data);
    if (!c.received.empty()) EXPECT_EQ(masked(server.file("received")), c.received);
    // The name we greeted with is a qualified one or our end's address, never a bare name.
    const std::string received = server.file("received");
    if (result.connected && received.rfind("EHLO ", 0) == 0) {
        const std::string name = received.substr(5, received.find('\n') - 5);
        EXPECT_EQ(name, result.ehloName);
        EXPECT_TRUE(name == "[127.0.0.1]" || smtp::isQualified(name)) << name;
    }
}

std::vector<Run> allRuns() {
    std::vector<Run> runs;
    for (const StreamCase& c : kCases)
        for (const Split split : {Split::Whole, Split::Bytes, Split::Random})
            runs.push_back({c, split});
    return runs;
}

std::string runName(const testing::TestParamInfo<Run>& info) {
    const char* split[] = {"Whole", "Bytes", "Random"};
    return std::string(info.param.c.name) + split[int(info.param.split)];
}

INSTANTIATE_TEST_SUITE_P(SmtpReplies, ReplyStreams, testing::ValuesIn(allRuns()), runName);

}  // namespace
