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

// An older file made by hand may have had wider bits; the writer keeps them.
void makePrivate(const std::string& path) {
    struct stat st;
    if (::stat(path.c_str(), &st) != 0 ||
        ((st.st_mode & 07777) != kPrivate && ::chmod(path.c_str(), kPrivate) != 0)) {
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
    rewrite(path, [&](const std::string&) { return Rewrite{addresses, false}; });
}

std::string backupPath(const std::string& path) {
    return path + ".bak";
}

void rewrite(const std::string& path, const std::function<Rewrite(const std::string& now)>& edit) {
    createPrivateIfMissing(path);
    textfile::AtomicWriter out(path);
    const std::string now = out.oldFile() >= 0 ? textfile::readAll(path, out.oldFile()) : "";
    const Rewrite next = edit(now);
    if (next.keepOld) {
        const std::string backup = backupPath(path);
        createPrivateIfMissing(backup);
        textfile::writeAll(backup, now);
        makePrivate(backup);
    }
    for (const std::string& address : next.addresses) {
        out.append(address);
        out.append("\r\n");
    }
    out.commit();
    makePrivate(path);
}

}  // namespace store::optoutfile
