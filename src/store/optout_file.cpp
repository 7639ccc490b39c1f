#include "store/optout_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/atomic_file.h"
#include "store/store_error.h"
#include "store/text_file.h"

namespace store::optoutfile {
namespace {

constexpr mode_t kPrivate = 0600;

// A new file is created private before the atomic write, which keeps the mode it finds,
// so the addresses are never readable by others, not even in the temporary file.
void createPrivateIfMissing(const std::string& path) {
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, kPrivate);
    if (fd >= 0) {
        ::close(fd);
    } else if (errno != EEXIST) {
        throw StoreError(StoreError::Kind::CannotCreate, path);
    }
}

}  // namespace

std::string read(const std::string& path) {
    struct stat st;
    // Only a path with nothing at all is an empty list; a dangling link is not.
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
    return textfile::readAll(path);
}

void write(const std::string& path, const std::vector<std::string>& addresses) {
    createPrivateIfMissing(path);
    textfile::writeLines(path, addresses);
    // An older file made by hand may have had wider bits; the writer kept them.
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 ||
        ((st.st_mode & 07777) != kPrivate && ::chmod(path.c_str(), kPrivate) != 0)) {
        throw StoreError(StoreError::Kind::CannotCreate, path);
    }
}

}  // namespace store::optoutfile
