#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <chrono>
#include <thread>

#include <gtest/gtest.h>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "support/temp_app_folder.h"

namespace {

// Counts reports and waits; the waits cost no time unless a test says so.
class IniAccess : public ::testing::Test {
protected:
    void SetUp() override {
        store::setIniFailureReporter([this] { ++reports; });
        store::setIniRetryWait([this] {
            ++waits;
            if (onWait) onWait(waits);
        });
        section = sj("メール同報システム");
    }
    void TearDown() override {
        store::setIniFailureReporter({});
        store::resetIniRetryWait();
    }

    int lockFile(const std::string& relative, int operation) {
        int fd = ::open(dir.file(relative).c_str(), O_RDONLY);
        EXPECT_GE(fd, 0);
        EXPECT_EQ(::flock(fd, operation | LOCK_NB), 0);
        return fd;
    }

    TempAppFolder dir;
    std::string section;
    int reports = 0;
    int waits = 0;
    std::function<void(int)> onWait;
};

}  // namespace

TEST_F(IniAccess, WriteIntoANewFileGivesHeaderKeyLineAndEmptyLine) {
    EXPECT_EQ(fncIniWrite(dir.file("Fendrival.ini"), section, "SMTPServer", "smtp.example.com"), 0);
    EXPECT_EQ(dir.read("Fendrival.ini"),
              "[" + section + "]\r\nSMTPServer=smtp.example.com\r\n\r\n");
    EXPECT_EQ(fncIniWrite(dir.file("Fendrival.ini"), section, sj("送信元名称"), sj("営業部")), 0);
    EXPECT_EQ(dir.read("Fendrival.ini"), "[" + section + "]\r\nSMTPServer=smtp.example.com\r\n" +
                                             sj("送信元名称") + "=" + sj("営業部") + "\r\n\r\n");
    EXPECT_EQ(fncIniRead(dir.file("Fendrival.ini"), section, sj("送信元名称")), sj("営業部"));
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(waits, 0);
}

TEST_F(IniAccess, AKeyInAnotherCaseReplacesTheLineInTheCallersCase) {
    dir.write("a.ini", "[" + section + "]\r\nsmtpport=25\r\nSMTP=SMTP\r\n\r\n");
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), section, "SMTPPORT", "587"), 0);
    EXPECT_EQ(dir.read("a.ini"), "[" + section + "]\r\nSMTPPORT=587\r\nSMTP=SMTP\r\n\r\n");
}

TEST_F(IniAccess, ABlankBeforeTheEqualsSignBelongsToTheKey) {
    dir.write("a.ini", "[S]\r\nPauseTime =5\r\nSMTPID= id \r\n");
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "S", "PauseTime"), "");
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "S", "SMTPID"), " id ");
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "PauseTime", "7"), 0);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nPauseTime =5\r\nSMTPID= id \r\nPauseTime=7\r\n\r\n");
}

TEST_F(IniAccess, AWriteDropsCommentsBlankLinesAndPrefixButKeepsKeylessLines) {
    dir.write("a.ini",
              "written by hand\r\n;comment\r\n[S]\r\n\r\n;inside\r\nkeyless line\r\nk=v\r\n"
              "[T]\r\nx=1");
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "t", "y", "2"), 0);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nkeyless line\r\nk=v\r\n\r\n[T]\r\nx=1\r\ny=2\r\n\r\n");
}

TEST_F(IniAccess, AValueHoldingEqualsSignsIsReadWhole) {
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), section, "SMTPPWD", "p=w==d"), 0);
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), section, "SMTPPWD"), "p=w==d");
}

TEST_F(IniAccess, MissingFileSectionOrKeyReadsEmptyAtOnce) {
    dir.makeFolder("folder.ini");
    dir.write("a.ini", "[S]\r\nk=v\r\n");
    EXPECT_EQ(fncIniRead(dir.file("none.ini"), "S", "k"), "");
    EXPECT_EQ(fncIniRead(dir.file("folder.ini"), "S", "k"), "");
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "T", "k"), "");
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "S", "x"), "");
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(waits, 0);
    EXPECT_FALSE(dir.exists("none.ini")) << "a read never writes";
}

TEST_F(IniAccess, AWriteIntoAMissingFolderFailsFiveTimesAndCreatesNothing) {
    EXPECT_EQ(fncIniWrite(dir.file("Mail/P/Fendrival.ini"), section, "GROUPCOUNT", "2"), -1);
    EXPECT_EQ(waits, 4);
    EXPECT_EQ(reports, 1);
    EXPECT_FALSE(dir.exists("Mail"));
}

TEST_F(IniAccess, AReadOnlyFileFailsFiveTimesAndStaysUnchanged) {
    const std::string old = "; mine\r\n[S]\r\nk=v\r\n";
    dir.write("a.ini", old);
    dir.setMode("a.ini", 0444);
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "k", "w"), -1);
    EXPECT_EQ(waits, 4);
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(dir.read("a.ini"), old);
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "S", "k"), "v") << "reading it is fine";
    EXPECT_EQ(reports, 1);
}

TEST_F(IniAccess, AFileLockedThroughoutFailsEveryCallWithOneReportEach) {
    dir.write("a.ini", "[S]\r\nk=v\r\n");
    int fd = lockFile("a.ini", LOCK_EX);
    EXPECT_EQ(fncIniRead(dir.file("a.ini"), "S", "k"), "");
    EXPECT_EQ(reports, 1);
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "k", "w"), -1);
    EXPECT_EQ(reports, 2);
    EXPECT_EQ(waits, 8);
    ::close(fd);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nk=v\r\n");
}

TEST_F(IniAccess, AWriteSucceedsOnceAReaderLetsGoDuringTheWaits) {
    dir.write("a.ini", "[S]\r\nk=v\r\n");
    int fd = lockFile("a.ini", LOCK_SH);
    onWait = [&](int wait) {
        if (wait == 2) ::close(fd);
    };
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "k", "w"), 0);
    EXPECT_EQ(waits, 2);
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nk=w\r\n\r\n");
}

TEST_F(IniAccess, AReadWaits300MsBetweenAttemptsUntilTheWriterLetsGo) {
    store::resetIniRetryWait();
    dir.write("a.ini", "[S]\r\nk=v\r\n");
    int fd = lockFile("a.ini", LOCK_EX);
    auto start = std::chrono::steady_clock::now();
    std::thread other([fd] {
        std::this_thread::sleep_for(std::chrono::milliseconds(450));
        ::close(fd);
    });
    std::string value = fncIniRead(dir.file("a.ini"), "S", "k");
    auto elapsed = std::chrono::steady_clock::now() - start;
    other.join();
    EXPECT_EQ(value, "v");
    EXPECT_EQ(reports, 0);
    // Freed 450 ms after the start: the attempts at 0 and 300 ms fail, a later one succeeds.
    EXPECT_GE(elapsed, std::chrono::milliseconds(450));
}

TEST_F(IniAccess, AWriteHeldBetweenOpenAndLockKeepsTheOtherWritersKey) {
    dir.write("a.ini", "[S]\r\nk=v\r\n");
    // Another copy writes its key after this write opened the file and before it locks it.
    store::textfile::setBeforeLockHook(
        [&] { EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "theirs", "1"), 0); });
    EXPECT_EQ(fncIniWrite(dir.file("a.ini"), "S", "ours", "2"), 0);
    store::textfile::setBeforeLockHook(nullptr);
    EXPECT_EQ(dir.read("a.ini"), "[S]\r\nk=v\r\ntheirs=1\r\nours=2\r\n\r\n");
    EXPECT_EQ(reports, 0);
}
