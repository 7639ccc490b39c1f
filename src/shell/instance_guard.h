#pragma once

#include <string>

namespace shell {

// The per-user single-instance lock "ZELMonitor", held for the life of the process and
// freed by the kernel when it ends.
class InstanceGuard {
public:
    InstanceGuard();
    ~InstanceGuard();
    InstanceGuard(const InstanceGuard&) = delete;
    InstanceGuard& operator=(const InstanceGuard&) = delete;

    // False when another copy holds the lock. A lock that cannot be set up at all lets
    // the program run unguarded (true).
    bool acquired() const { return acquired_; }

    // Where the lock lives: $XDG_RUNTIME_DIR, else the temp folder with the user id.
    static std::string lockPath();

private:
    int fd_ = -1;
    bool acquired_ = true;
};

}  // namespace shell
