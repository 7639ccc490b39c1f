#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <sstream>

#include "mailbox/dovecot_server.h"
#include "mailbox/mailbox_import.h"
#include "mailbox/postfix_server.h"
#include "smtp/test_smtp_server.h"
#include "store/project_store.h"
#include "support/temp_app_folder.h"

namespace {

using mailbox::Kind;

// Every sample names the server whose form it follows in its X-Sample-Form header.
std::vector<std::string> sampleMails() {
    std::vector<std::string> paths;
    for (const auto& entry : std::filesystem::directory_iterator(SAMPLES_DIR))
        paths.push_back(entry.path().string());
    std::sort(paths.begin(), paths.end());
    std::vector<std::string> mails;
    for (const std::string& path : paths) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        mails.push_back(bytes.str());
    }
    return mails;
}

// The report's table as one line a row: address | kind | status | groups | ticked.
const char* const kExpectedRows[] = {
    "gone@example.org|不達|5.1.1|1|x",           // 01 Postfix
    "guarded@example.net|送信側の拒否|5.7.1||",  // 02 policy: never ticked
    "slow@example.org|一時不達|4.4.7||",         // 03 Sendmail delayed, day 1
    "closed@example.jp|不達|5.2.1||x",           // 04 RFC 6533
    "full@example.com|一時不達|5.2.2||",         // 05 full mailbox
    "\"x,y\"@example.org|不達|5.1.1||x",         // 06 forged field
    "complainer@example.com|苦情|||x",           // 07 RFC 5965
    "hanako@example.co.jp|苦情|||x",             // 08 headers only
    "nobody@example.org|不達|5.1.1||x",          // 09 qmail
    "lost@example.org|不達|550||x",              // 10 Exim
    "keitai@carrier.example.ne.jp|要確認|||",    // 11 carrier, no code
    "taro@example.com|自動応答|||",              // 12 RFC 3834
    "jiro@example.com|自動応答|||",              // 13 vacation, no headers
    "saburo@example.com|配信停止の申し出||3|",   // 14 ISO-2022-JP
    "shiro@example.co.jp|配信停止の申し出|||",   // 15 Shift_JIS
    "goro@example.com|配信停止の申し出|||",      // 16 UTF-8
    "slow@example.org|一時不達|4.4.7||",         // 19 day 2
    "slow@example.org|不達|4.4.7||x",            // 20 day 3: offered as 不達
    // Postfix's own returns, after one try each
    "ghost@example.com|不達|5.1.1||x",       // unknown to the LMTP server
    "brimful@example.com|一時不達|5.2.2||",  // over its quota
    "waiting@example.net|一時不達|4.4.1||",  // the server was down: given up, not refused
};

// Sent through Postfix, in this order; each return is awaited before the next is sent.
const char* const kReturned[] = {"ghost@example.com", DovecotServer::kFullUser,
                                 "waiting@example.net"};
constexpr std::size_t kMails = 23;

std::string rowLine(const mailbox::ReportRow& row) {
    return row.finding.address + "|" + mailbox::kindName(row.finding.kind) + "|" +
           row.finding.status + "|" + row.groups + "|" + (row.ticked ? "x" : "");
}

// Mails per kind, in the order of mailbox::Kind; 17 and 18 are その他, 20 is 不達 as its row.
const std::array<std::size_t, mailbox::kKindCount> kExpectedCounts = {7, 1, 1, 5, 2, 3, 2, 2};

const char kExpectedOptOut[] =
    "kept@example.com\r\n"
    "gone@example.org\r\n"
    "closed@example.jp\r\n"
    "complainer@example.com\r\n"
    "hanako@example.co.jp\r\n"
    "nobody@example.org\r\n"
    "lost@example.org\r\n"
    "slow@example.org\r\n"
    "ghost@example.com\r\n";

const char kExpectedJournal[] =
    "\"日付\",\"メールアドレス\",\"理由\",\"メールの日付\",\"Message-ID\"\r\n"
    "\"2026-12-10 10:00\",\"gone@example.org\",\"不達 5.1.1\",\"2026-12-07 09:00\","
    "\"dsn1@mx.example.net\"\r\n"
    "\"2026-12-10 10:00\",\"closed@example.jp\",\"不達 5.2.1\",\"2026-12-07 09:10\","
    "\"dsn4@mx.example.net\"\r\n"
    "\"2026-12-10 10:00\",\"complainer@example.com\",\"苦情\",\"2026-12-07 10:00\","
    "\"arf1@isp.example\"\r\n"
    "\"2026-12-10 10:00\",\"hanako@example.co.jp\",\"苦情\",\"2026-12-07 10:05\","
    "\"arf2@mailbox.example\"\r\n"
    "\"2026-12-10 10:00\",\"nobody@example.org\",\"不達 5.1.1\",\"2026-12-07 11:00\","
    "\"q1@qmail.example.net\"\r\n"
    "\"2026-12-10 10:00\",\"lost@example.org\",\"不達 550\",\"2026-12-07 11:05\","
    "\"e1@exim.example.net\"\r\n"
    "\"2026-12-10 10:00\",\"slow@example.org\",\"不達 4.4.7\",\"2026-12-09 13:00\","
    "\"dsn3-09@mx.example.net\"\r\n";

class MailboxImport : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        setenv("TZ", "UTC", 1);  // the mails' dates are shown in local time
        server_ = std::make_unique<DovecotServer>();
        for (const std::string& mail : sampleMails()) server_->deliver(mail);
        const PostfixServer postfix(*server_);
        for (const char* to : kReturned) postfix.sendAndAwaitReturn(to);
    }
    static void TearDownTestSuite() { server_.reset(); }

    mailbox::Endpoint endpoint(mailbox::Protocol protocol, bool implicitTls) const {
        mailbox::Endpoint e;
        e.protocol = protocol;
        e.server = "127.0.0.1";
        const bool imap = protocol == mailbox::Protocol::Imap;
        e.port = imap ? (implicitTls ? server_->imapsPort : server_->imapPort)
                      : (implicitTls ? server_->pop3sPort : server_->pop3Port);
        e.imapTlsPort = server_->imapsPort;
        e.pop3TlsPort = server_->pop3sPort;
        e.user = DovecotServer::kUser;
        e.password = DovecotServer::kPassword;
        e.caFile = testCertificates().caFile;
        return e;
    }

    mailbox::Report read(const mailbox::Endpoint& e, const std::string& folder = "INBOX") {
        mailbox::Progress progress;
        std::atomic<bool> cancel{false};
        return mailbox::readReport(store_, "P", e, folder, progress, cancel, "2026-12-10");
    }

    // What is on disk in the application folder, every file's name and bytes.
    std::string disk() const {
        std::string all;
        for (const auto& entry : std::filesystem::recursive_directory_iterator(app_.path()))
            if (entry.is_regular_file())
                all += entry.path().string() + "\n" +
                       app_.read(entry.path().string().substr(app_.path().size())) + "\n";
        return all;
    }

    void SetUp() override {
        ASSERT_TRUE(server_->running());
        store_.ensureProjectFolder("P");
        app_.write("Mail/P/list.txt", "gone@example.org,0\r\nsaburo@example.com,2\r\n");
        app_.write("optout.txt", "kept@example.com\r\n");
    }

    // \Recent goes to the first session that opens the mailbox, and Dovecot's POP3 takes it
    // even without QUIT; no client can keep or set it. IMAP, which runs first, keeps it.
    static std::string snapshot(const mailbox::Endpoint& e) {
        std::string text = server_->snapshot();
        if (e.protocol == mailbox::Protocol::Pop3)
            for (std::size_t at = text.find("\\Recent"); at != std::string::npos;
                 at = text.find("\\Recent"))
                text.erase(at, 7);
        return text;
    }

    // One full round over a protocol: the report, a cancel, the addition, the next run.
    void fullRound(const mailbox::Endpoint& e) {
        const std::string mailboxBefore = snapshot(e);
        const std::string diskBefore = disk();
        // 中止 while reading: nothing is kept.
        mailbox::Progress progress;
        const std::atomic<bool> stop{true};
        try {
            mailbox::readReport(store_, "P", e, "INBOX", progress, stop, "2026-12-10");
            ADD_FAILURE() << "a cancelled read went on";
        } catch (const mailbox::WireFailure& thrown) {
            EXPECT_EQ(thrown.outcome.failure, smtp::Failure::Cancelled);
        }
        EXPECT_EQ(disk(), diskBefore);
        mailbox::Report report = read(e);
        EXPECT_EQ(report.mails, kMails);
        EXPECT_EQ(report.counts, kExpectedCounts);
        std::vector<std::string> rows;
        for (const mailbox::ReportRow& row : report.rows) rows.push_back(rowLine(row));
        EXPECT_EQ(rows,
                  std::vector<std::string>(std::begin(kExpectedRows), std::end(kExpectedRows)));
        // Cancel: the report is dropped; nothing on disk changed and the mail is new again.
        EXPECT_EQ(disk(), diskBefore);
        report = read(e);
        EXPECT_EQ(report.mails, kMails);

        const mailbox::Addition addition =
            mailbox::addTicked(store_, "P", report, "2026-12-10 10:00");
        EXPECT_EQ(addition.added, 8u);
        ASSERT_EQ(addition.refused.size(), 1u);
        EXPECT_EQ(addition.refused[0].address, "\"x,y\"@example.org");
        EXPECT_EQ(app_.read("optout.txt"), kExpectedOptOut);
        // Postfix dates and names its own return.
        const mailbox::ReportRow& real = report.rows.at(std::size(kExpectedRows) - 3);
        EXPECT_EQ(real.messageId.substr(real.messageId.find('@')), "@mx.fendrival.test");
        EXPECT_EQ(
            app_.read("optout-journal.csv"),
            sj(kExpectedJournal + ("\"2026-12-10 10:00\",\"ghost@example.com\",\"不達 5.1.1\",\"" +
                                   real.date + "\",\"" + real.messageId + "\"\r\n")));
        EXPECT_EQ(app_.mode("optout-journal.csv"), 0600u);

        const mailbox::Report second = read(e);
        EXPECT_EQ(second.mails, 0u);
        EXPECT_TRUE(second.rows.empty());
        EXPECT_EQ(snapshot(e), mailboxBefore);
    }

    static std::unique_ptr<DovecotServer> server_;
    TempAppFolder app_;
    store::ProjectStore store_{app_.path()};
};

std::unique_ptr<DovecotServer> MailboxImport::server_;

TEST_F(MailboxImport, ImapWithImplicitTlsReportsEveryKindAndLeavesTheMailboxAsItWas) {
    fullRound(endpoint(mailbox::Protocol::Imap, true));
}

TEST_F(MailboxImport, Pop3WithStartTlsReportsEveryKindAndLeavesTheMailboxAsItWas) {
    fullRound(endpoint(mailbox::Protocol::Pop3, false));
}

TEST_F(MailboxImport, RenumberedFolderIsReadAgainWithoutCountingTwice) {
    const mailbox::Endpoint e = endpoint(mailbox::Protocol::Imap, false);
    mailbox::addTicked(store_, "P", read(e), "2026-12-10 10:00");
    // A file from before mails were kept by key names them by content alone.
    const std::string statePath = "Mail/P/MailboxRead.txt";
    app_.write(statePath,
               std::regex_replace(app_.read(statePath), std::regex("(SEEN \\w+) .*"), "$1"));
    const std::string optOut = app_.read("optout.txt");
    const std::string journal = app_.read("optout-journal.csv");
    server_->setUidValidity(4242);
    const mailbox::Report again = read(e);
    EXPECT_EQ(again.mails, 0u);
    EXPECT_EQ(again.next.position.uidValidity, "4242");
    mailbox::addTicked(store_, "P", again, "2026-12-11 10:00");
    EXPECT_EQ(app_.read("optout.txt"), optOut);
    EXPECT_EQ(app_.read("optout-journal.csv"), journal);

    // A folder named in Japanese is read, from its start though its UIDVALIDITY is INBOX's;
    // its mail, once gone, is no longer remembered, and INBOX's mails are still known when
    // it is read again.
    server_->deliver("Subject: jp\r\nMessage-ID: <jp@example.net>\r\n\r\nx\r\n", "返送");
    server_->setUidValidity(4242, "返送");
    EXPECT_EQ(read(e, "返送").mails, 1u);
    mailbox::addTicked(store_, "P", read(e, "返送"), "2026-12-11 10:00");
    server_->expungeAll("返送");
    mailbox::addTicked(store_, "P", read(e, "返送"), "2026-12-11 10:00");
    const std::string state = app_.read(statePath);
    std::size_t seen = 0;
    for (std::size_t at = state.find("SEEN "); at != std::string::npos;
         at = state.find("SEEN ", at + 1))
        ++seen;
    EXPECT_EQ(seen, kMails) << state;
    const mailbox::Report back = read(e);
    EXPECT_EQ(back.mails, 0u);
    EXPECT_EQ(back.next.position.lastUid, kMails);
}

TEST_F(MailboxImport, ConnectionFailuresReadAsTheConnectionTestReadsThem) {
    struct Case {
        mailbox::Protocol protocol;
        bool implicitTls;
        const char* password;
        bool otherCa;
        smtp::Failure expected;
    } const cases[] = {
        {mailbox::Protocol::Imap, false, DovecotServer::kPassword, false, smtp::Failure::None},
        {mailbox::Protocol::Pop3, true, DovecotServer::kPassword, false, smtp::Failure::None},
        {mailbox::Protocol::Imap, true, "wrong", false, smtp::Failure::AuthRefused},
        {mailbox::Protocol::Pop3, false, "wrong", false, smtp::Failure::AuthRefused},
        {mailbox::Protocol::Imap, true, DovecotServer::kPassword, true,
         smtp::Failure::CertificateUnknownIssuer},
        {mailbox::Protocol::Pop3, false, DovecotServer::kPassword, true,
         smtp::Failure::CertificateUnknownIssuer},
    };
    for (const Case& c : cases) {
        mailbox::Endpoint e = endpoint(c.protocol, c.implicitTls);
        e.password = c.password;
        if (c.otherCa) e.caFile = testCertificates().otherCaFile;
        std::atomic<bool> cancel{false};
        std::string tls;
        smtp::Failure failure = smtp::Failure::None;
        std::size_t count = 0;
        try {
            count = mailbox::checkMailbox(e, "INBOX", cancel, tls);
        } catch (const mailbox::WireFailure& thrown) {
            failure = thrown.outcome.failure;
        }
        EXPECT_EQ(failure, c.expected) << int(c.protocol) << " " << c.implicitTls;
        if (c.expected == smtp::Failure::None) {
            EXPECT_EQ(count, kMails);
            EXPECT_FALSE(tls.empty());
        }
    }
}

}  // namespace

namespace {

TEST(MailboxSettings, LiveInAPrivateFileOfTheirOwnAndReadBack) {
    TempAppFolder app;
    const store::ProjectStore store(app.path());
    store.ensureProjectFolder("P");
    app.write("Mail/P/Fendrival.ini", "[Setting]\r\nSMTPSERVER=smtp.example.com\r\n");
    mailbox::Settings settings;
    settings.protocol = mailbox::Protocol::Pop3;
    settings.server = "pop.example.com";
    settings.port = "110";
    settings.user = "me@example.com";
    settings.password = "p=ss;word";
    settings.folder = "INBOX";
    mailbox::saveSettings(store.mailboxSettingsPath("P"), settings);
    EXPECT_EQ(app.mode("Mail/P/Mailbox.ini"), 0600u);
    EXPECT_EQ(app.read("Mail/P/Fendrival.ini"), "[Setting]\r\nSMTPSERVER=smtp.example.com\r\n");
    const mailbox::Settings back = mailbox::loadSettings(store.mailboxSettingsPath("P"));
    EXPECT_EQ(back.protocol, mailbox::Protocol::Pop3);
    EXPECT_EQ(back.server + back.port + back.user + back.password + back.folder,
              "pop.example.com110me@example.comp=ss;wordINBOX");
    settings.user = "改行\nは不可";
    EXPECT_THROW(mailbox::saveSettings(store.mailboxSettingsPath("P"), settings),
                 std::runtime_error);
}

}  // namespace
