#include "store/file_descriptor.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>

namespace store::textfile::detail {

Fd::Fd(int fd) : fd_(fd) {}

Fd::~Fd() {
    reset();
}

int Fd::get() const {
    return fd_;
}

bool Fd::valid() const {
    return fd_ >= 0;
}

void Fd::reset(int fd) {
    if (fd_ >= 0) ::close(fd_);
    fd_ = fd;
}

int Fd::release() {
    int fd = fd_;
    fd_ = -1;
    return fd;
}

int openRetrying(const char* path, int flags, mode_t mode) {
    int fd;
    do {
        fd = ::open(path, flags | O_CLOEXEC, mode);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::string folderOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    if (slash == std::string::npos) return ".";
    if (slash == 0) return "/";
    return path.substr(0, slash);
}

std::string baseNameOf(const std::string& path) {
    std::size_t slash = path.rfind('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

bool hasWriteBit(mode_t mode) {
    return (mode & 0222) != 0;
}

}  // namespace store::textfile::detail
