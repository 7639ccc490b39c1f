#include "store/private_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/atomic_file.h"
#include "store/store_error.h"

namespace store::privatefile {

namespace {
constexpr mode_t kPrivate = 0600;
}

void createIfMissing(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivate);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != EEXIST) {
        throw StoreError(StoreError::Kind::CannotCreate, path);
    }
}

void makePrivate(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 ||
        ((st.st_mode & 07777) != kPrivate && ::chmod(path.c_str(), kPrivate) != 0)) {
        throw StoreError(StoreError::Kind::CannotCreate, path);
    }
}

void writeAll(const std::string& path, std::string_view bytes) {
    createIfMissing(path);
    textfile::writeAll(path, bytes);
    makePrivate(path);
}

}  // namespace store::privatefile
