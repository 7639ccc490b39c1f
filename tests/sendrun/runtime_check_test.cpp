#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>

#include "sendrun/runtime_check.h"
#include "stand_in.h"

namespace {

using Clock = std::chrono::steady_clock;

// A stand-in opener that records its process id, current folder and arguments, waits the
// given time, and marks its end.
class RuntimeCheckTest : public testing::Test {
protected:
    void opener(const std::string& sleepSeconds) const {
        standIns.add("xdg-open", "printf '%s\\0' \"$$\" \"$(pwd -P)\" \"$#\" \"$@\" > '" +
                                     standIns.file("call") + "'\nsleep " + sleepSeconds +
                                     "\n: > '" + standIns.file("ended") + "'");
    }
    bool ended() const { return standIns.folder().exists("ended"); }
    std::vector<std::string> call() const { return readFields(standIns.file("call")); }

    StandIns standIns;
    TempAppFolder app;
};

bool processGone(const std::string& pid) {
    return ::kill(static_cast<pid_t>(std::stoi(pid)), 0) != 0 && errno == ESRCH;
}

TEST_F(RuntimeCheckTest, OpenerGetsTheTextAsItsOneArgumentInTheFolderAndIsReaped) {
    opener("0");
    const std::string folder = std::filesystem::canonical(app.path()).string();
    for (const std::string address : {"https://www.java.com/ja/download/installed.jsp", "   ",
                                      "a b  c", " 表示 'q' \"d\" $x "}) {
        int events = 0;
        EXPECT_TRUE(sendrun::openAndWait(address, app.path(), [&] { ++events; })) << address;
        const std::vector<std::string> fields = call();
        ASSERT_EQ(fields.size(), 4u) << address;
        EXPECT_EQ(fields[1], folder);
        EXPECT_EQ(fields[2], "1");
        EXPECT_EQ(fields[3], address);
        EXPECT_TRUE(processGone(fields[0])) << "left as a zombie: " << address;
        // Once before the pause, once after the wait that saw the end.
        EXPECT_GE(events, 2);
    }
}

TEST_F(RuntimeCheckTest, ReturnsOnlyAfterTheOpenerEndedProcessingEventsBetweenWaits) {
    opener("1");
    int whileRunning = 0;
    int afterEnd = 0;
    const auto started = Clock::now();
    EXPECT_TRUE(
        sendrun::openAndWait("x", app.path(), [&] { ++(ended() ? afterEnd : whileRunning); }));
    EXPECT_TRUE(ended());
    EXPECT_GE(Clock::now() - started, std::chrono::seconds(1));
    // Before the pause and between the 50 ms waits; then once after the end was seen.
    EXPECT_GE(whileRunning, 3);
    EXPECT_EQ(afterEnd, 1);
}

TEST_F(RuntimeCheckTest, OpenerEndingAtOnceStillTakesTheHalfSecondPause) {
    opener("0");
    const auto started = Clock::now();
    EXPECT_TRUE(sendrun::openAndWait("x", app.path(), [] {}));
    EXPECT_GE(Clock::now() - started, std::chrono::milliseconds(500));
}

TEST_F(RuntimeCheckTest, FailedStartWaitsForNothingAndRunsNoEvents) {
    const struct {
        const char* name;
        void (*arrange)(const StandIns&);
        std::string folder;  // "" for the test's application folder
    } cases[] = {
        {"no opener on PATH", [](const StandIns& s) { s.pathOnlyHere(); }, ""},
        {"opener not runnable",
         [](const StandIns& s) {
             s.add("xdg-open", ": > '" + s.file("call") + "'");
             s.folder().setMode("xdg-open", 0644);
             s.pathOnlyHere();
         },
         ""},
        {"folder missing",
         [](const StandIns& s) { s.add("xdg-open", ": > '" + s.file("call") + "'"); },
         "/nonexistent/fendrival/"},
    };
    for (const auto& c : cases) {
        StandIns standIns;
        c.arrange(standIns);
        int events = 0;
        EXPECT_FALSE(sendrun::openAndWait("x", c.folder.empty() ? app.path() : c.folder, [&] {
            ++events;
        })) << c.name;
        EXPECT_EQ(events, 0) << c.name;
        EXPECT_FALSE(standIns.folder().exists("call")) << c.name;
    }
}

}  // namespace
