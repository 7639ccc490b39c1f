#include <gtest/gtest.h>

#include <string>

#include "mailbox/mail_classifier.h"

namespace {

std::string dsnWith(const std::string& recipients) {
    return "From: MAILER-DAEMON@mx.example.net\r\nSubject: Undelivered\r\nMIME-Version: 1.0\r\n"
           "Content-Type: multipart/report; report-type=delivery-status; boundary=\"b\"\r\n\r\n"
           "--b\r\nContent-Type: text/plain\r\n\r\nfailed\r\n"
           "--b\r\nContent-Type: message/delivery-status\r\n\r\nReporting-MTA: dns; mx\r\n\r\n" +
           recipients + "--b--\r\n";
}

std::string failed(const std::string& address) {
    return "Final-Recipient: rfc822; " + address + "\r\nAction: failed\r\nStatus: 5.1.1\r\n\r\n";
}

// Mail built to hurt the reader: each is read whole, bounded, and what reaches a finding is
// one clean line.
TEST(MailClassifier, HostileMailIsBoundedAndNothingBreaksALineOrAField) {
    std::string bomb = "From: x@example.com\r\nSubject: bomb\r\nMIME-Version: 1.0\r\n";
    for (int i = 0; i < 1000; ++i)
        bomb += "Content-Type: multipart/mixed; boundary=\"n" + std::to_string(i) +
                "\"\r\n\r\n--n" + std::to_string(i) + "\r\n";
    bomb += "Content-Type: text/plain\r\n\r\n配信停止\r\n";

    std::string many;
    for (int i = 0; i < 100000; ++i) many += failed("u" + std::to_string(i) + "@example.org");

    const std::string hugeHeader =
        "From: y@example.com\r\nX-Long: " + std::string(1024 * 1024, 'a') +
        "\r\nSubject: hi\r\n\r\nbody\r\n";

    struct Case {
        const char* name;
        std::string mail;
        mailbox::Kind kind;
        std::size_t findings;
        bool capped;
    } const cases[] = {
        {"1,000 nested parts", bomb, mailbox::Kind::Other, 0, false},
        {"100,000 recipients", dsnWith(many), mailbox::Kind::Bounce, mailbox::kMaxFindings, true},
        {"1 MB header", hugeHeader, mailbox::Kind::Other, 0, false},
        {"control characters and a folded CR LF",
         dsnWith(failed("a\x01"
                        "b@example.org\r\n x\"y,z@example.org")),
         mailbox::Kind::Bounce, 1, false},
    };
    for (const Case& c : cases) {
        const mailbox::Verdict verdict = mailbox::classify(c.mail, "");
        EXPECT_EQ(verdict.kind, c.kind) << c.name;
        EXPECT_EQ(verdict.findings.size(), c.findings) << c.name;
        EXPECT_EQ(verdict.capped, c.capped) << c.name;
        for (const mailbox::Finding& finding : verdict.findings)
            for (const std::string& text : {finding.address, finding.diagnostic, finding.status})
                for (const char byte : text)
                    EXPECT_GE(static_cast<unsigned char>(byte), 0x20u) << c.name;
    }
}

}  // namespace
