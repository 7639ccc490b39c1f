#include "sendrun/child_process.h"

#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/syscall.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <thread>

extern char** environ;

namespace sendrun {

namespace {

using Clock = std::chrono::steady_clock;

int openPidFd(pid_t pid) {
#ifdef SYS_pidfd_open
    return static_cast<int>(::syscall(SYS_pidfd_open, pid, 0));
#else
    (void)pid;
    return -1;
#endif
}

// The spawn settings every start shares.
class SpawnSettings {
public:
    explicit SpawnSettings(const std::string& folder) {
        posix_spawn_file_actions_init(&actions_);
        posix_spawnattr_init(&attr_);
        ok_ = posix_spawn_file_actions_addchdir_np(&actions_, folder.c_str()) == 0 &&
              // Our own descriptors (the store's locks, the display connection) stay ours.
              posix_spawn_file_actions_addclosefrom_np(&actions_, 3) == 0;
        // Signals this process ignores or blocks are not passed on.
        sigset_t all, none;
        sigfillset(&all);
        sigemptyset(&none);
        ok_ = ok_ && posix_spawnattr_setsigdefault(&attr_, &all) == 0 &&
              posix_spawnattr_setsigmask(&attr_, &none) == 0 &&
              posix_spawnattr_setflags(&attr_, POSIX_SPAWN_SETSIGDEF | POSIX_SPAWN_SETSIGMASK) == 0;
    }
    ~SpawnSettings() {
        posix_spawnattr_destroy(&attr_);
        posix_spawn_file_actions_destroy(&actions_);
    }
    SpawnSettings(const SpawnSettings&) = delete;
    SpawnSettings& operator=(const SpawnSettings&) = delete;

    bool ok() const { return ok_; }
    const posix_spawn_file_actions_t* actions() const { return &actions_; }
    const posix_spawnattr_t* attr() const { return &attr_; }

private:
    posix_spawn_file_actions_t actions_;
    posix_spawnattr_t attr_;
    bool ok_ = false;
};

}  // namespace

ChildProcess::~ChildProcess() {
    // Never blocks the window: a child still running here (the wait was given up) is
    // reaped only if it has ended by now.
    if (pid_ > 0) reapIfEnded();
    if (pidFd_ >= 0) ::close(pidFd_);
}

bool ChildProcess::start(const std::string& program, const std::vector<std::string>& args,
                         const std::string& folder) {
    if (pid_ > 0) return false;
    std::vector<char*> argv;
    argv.push_back(const_cast<char*>(program.c_str()));
    for (const std::string& a : args) argv.push_back(const_cast<char*>(a.c_str()));
    argv.push_back(nullptr);

    SpawnSettings settings(folder);
    if (!settings.ok()) return false;
    pid_t pid = -1;
    if (posix_spawnp(&pid, program.c_str(), settings.actions(), settings.attr(), argv.data(),
                     environ) != 0) {
        return false;
    }
    pid_ = pid;
    pidFd_ = openPidFd(pid);
    return true;
}

ChildProcess::Wait ChildProcess::waitFor(std::chrono::milliseconds timeout) {
    if (pid_ <= 0) return Wait::Failed;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (reapIfEnded()) return Wait::Ended;
        if (pid_ <= 0) return Wait::Failed;
        const auto left =
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        if (left.count() <= 0) return Wait::TimedOut;
        if (pidFd_ >= 0) {
            pollfd p{pidFd_, POLLIN, 0};
            if (::poll(&p, 1, static_cast<int>(left.count())) < 0 && errno != EINTR) {
                return Wait::Failed;
            }
        } else {
            // No process descriptor from this kernel: look again in short steps.
            std::this_thread::sleep_for(std::min(left, std::chrono::milliseconds(5)));
        }
    }
}

bool ChildProcess::reapIfEnded() {
    int status = 0;
    pid_t r;
    do {
        r = ::waitpid(pid_, &status, WNOHANG);
    } while (r < 0 && errno == EINTR);
    if (r == 0) return false;
    // Ended and reaped, or no longer ours to wait for (reaped elsewhere): either way done.
    const bool ended = r == pid_;
    pid_ = -1;
    return ended;
}

}  // namespace sendrun
