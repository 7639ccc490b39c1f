#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <memory>

#include "shell/instance_guard.h"

namespace {

// Runs each case with its own lock folder, so no real copy of the tool is disturbed.
class InstanceGuardTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        saved_ = qgetenv("XDG_RUNTIME_DIR");
        qputenv("XDG_RUNTIME_DIR", dir_.path().toLocal8Bit());
    }
    void TearDown() override { qputenv("XDG_RUNTIME_DIR", saved_); }

    static void startTool(QProcess& p) {
        auto env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        p.setProcessEnvironment(env);
        p.start(QStringLiteral(FENDRIVAL_EXE), {});
        ASSERT_TRUE(p.waitForStarted(5000));
    }

    QTemporaryDir dir_;
    QByteArray saved_;
};

}  // namespace

TEST_F(InstanceGuardTest, SecondGuardInOneUserFailsUntilTheFirstEnds) {
    auto first = std::make_unique<shell::InstanceGuard>();
    EXPECT_TRUE(first->acquired());
    EXPECT_FALSE(shell::InstanceGuard().acquired());
    first.reset();
    EXPECT_TRUE(shell::InstanceGuard().acquired());
}

TEST_F(InstanceGuardTest, SecondCopyOfTheToolEndsAtOnceWithExitCodeZero) {
    shell::InstanceGuard held;
    ASSERT_TRUE(held.acquired());
    QProcess second;
    startTool(second);
    QElapsedTimer clock;
    clock.start();
    ASSERT_TRUE(second.waitForFinished(5000));
    EXPECT_LT(clock.elapsed(), 3000);
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 0);
    EXPECT_TRUE(second.readAllStandardOutput().isEmpty());
}

TEST_F(InstanceGuardTest, RunningToolHoldsTheGuardUntilItEnds) {
    QProcess first;
    startTool(first);
    // Still in its start window: a second copy must already be refused.
    bool refused = false;
    for (int i = 0; i < 50 && !refused; ++i) {
        refused = !shell::InstanceGuard().acquired();
        if (!refused) QThread::msleep(50);
    }
    EXPECT_TRUE(refused);
    EXPECT_EQ(first.state(), QProcess::Running);
    first.kill();
    first.waitForFinished(5000);
    EXPECT_TRUE(shell::InstanceGuard().acquired());
}
