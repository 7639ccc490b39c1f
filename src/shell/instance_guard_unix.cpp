#include "shell/instance_guard.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>
#include <string>

namespace shell {

namespace {
constexpr const char* kLockName = "ZELMonitor";
}

std::string InstanceGuard::lockPath() {
    const char* runtime = std::getenv("XDG_RUNTIME_DIR");
    if (runtime && *runtime && std::filesystem::is_directory(runtime))
        return std::string(runtime) + "/" + kLockName + ".lock";
    // The temp folder is shared by all users: the user id keeps the lock per user.
    std::error_code ec;
    auto tmp = std::filesystem::temp_directory_path(ec);
    std::string folder = ec ? std::string("/tmp") : tmp.string();
    return folder + "/" + kLockName + "-" + std::to_string(getuid()) + ".lock";
}

InstanceGuard::InstanceGuard() {
    fd_ = ::open(lockPath().c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd_ < 0) return;  // no lock to be had: run unguarded
    if (::flock(fd_, LOCK_EX | LOCK_NB) != 0) {
        acquired_ = (errno != EWOULDBLOCK);
        ::close(fd_);
        fd_ = -1;
    }
}

InstanceGuard::~InstanceGuard() {
    if (fd_ >= 0) ::close(fd_);
}

}  // namespace shell
