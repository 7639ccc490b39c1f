#include <gtest/gtest.h>

#include <signal.h>

#include <cerrno>
#include <chrono>
#include <filesystem>
#include <functional>

#include "sendrun/runtime_check.h"
#include "stand_in.h"

namespace {

using Clock = std::chrono::steady_clock;

TEST(RuntimeCheck, WaitsForTheOpenerWithEventsBetweenWaitsAndReapsIt) {
    StandIns standIns;
    TempAppFolder app;
    const std::string address = " https://example.com/a b 'c' 表 ";
    const struct {
        const char* sleep;
        std::chrono::milliseconds atLeast;
        int eventsWhileRunning;  // at least
    } cases[] = {{"0", std::chrono::milliseconds(500), 1}, {"1", std::chrono::seconds(1), 3}};
    for (const auto& c : cases) {
        standIns.folder().write("ended", "");
        // Records its process id, current folder and arguments, sleeps, and marks its end.
        standIns.add("xdg-open", "printf '%s\\0' \"$$\" \"$(pwd -P)\" \"$#\" \"$@\" > '" +
                                     standIns.file("call") + "'\nsleep " + c.sleep +
                                     "\necho ended > '" + standIns.file("ended") + "'");
        int whileRunning = 0;
        int afterEnd = 0;
        const auto started = Clock::now();
        EXPECT_TRUE(sendrun::openAndWait(address, app.path(), [&] {
            ++(standIns.folder().read("ended").empty() ? whileRunning : afterEnd);
        }));
        EXPECT_GE(Clock::now() - started, c.atLeast) << c.sleep;
        EXPECT_GE(whileRunning, c.eventsWhileRunning) << c.sleep;
        EXPECT_EQ(afterEnd, 1) << c.sleep;  // the events after the wait that saw the end

        const auto call = readFields(standIns.file("call"));
        ASSERT_EQ(call.size(), 4u);
        EXPECT_EQ(call[1], std::filesystem::canonical(app.path()).string());
        EXPECT_EQ(call[2], "1");
        EXPECT_EQ(call[3], address);
        // Reaped: not even a zombie is left.
        EXPECT_EQ(::kill(static_cast<pid_t>(std::stoi(call[0])), 0), -1);
        EXPECT_EQ(errno, ESRCH);
    }
}

TEST(RuntimeCheck, FailedStartWaitsForNothingAndRunsNoEvents) {
    TempAppFolder app;
    auto opener = [](const StandIns& s, unsigned mode) {
        s.add("xdg-open", ": > '" + s.file("call") + "'");
        s.folder().setMode("xdg-open", mode);
    };
    const struct {
        const char* name;
        std::function<void(const StandIns&)> arrange;
        std::string folder;
    } cases[] = {
        {"no opener on PATH", [](const StandIns& s) { s.pathOnlyHere(); }, app.path()},
        {"opener not runnable",
         [&](const StandIns& s) {
             opener(s, 0644);
             s.pathOnlyHere();
         },
         app.path()},
        {"folder missing", [&](const StandIns& s) { opener(s, 0755); }, "/nonexistent/fendrival/"},
    };
    for (const auto& c : cases) {
        StandIns standIns;
        c.arrange(standIns);
        int events = 0;
        EXPECT_FALSE(sendrun::openAndWait("x", c.folder, [&] { ++events; })) << c.name;
        EXPECT_EQ(events, 0) << c.name;
        EXPECT_FALSE(standIns.folder().exists("call")) << c.name;
    }
}

}  // namespace
