#include "store/mapped_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>

#include "store/store_error.h"

namespace store::textfile {

MappedFile::MappedFile(const std::string& path) : path_(path) {
    do {
        fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ < 0) throw StoreError(StoreError::Kind::CannotOpen, path);
    // A writer holds the exclusive lock; waiting is the caller's business.
    if (::flock(fd_, LOCK_SH | LOCK_NB) != 0) {
        ::close(fd_);
        throw StoreError(StoreError::Kind::CannotOpen, path);
    }
    try {
        load(fd_);
    } catch (...) {
        ::close(fd_);
        throw;
    }
}

MappedFile::MappedFile(const std::string& path, int lockedFd) : path_(path) {
    if (lockedFd < 0) throw StoreError(StoreError::Kind::CannotOpen, path);
    load(lockedFd);
}

MappedFile::~MappedFile() {
    if (map_) ::munmap(map_, mapSize_);
    if (fd_ >= 0) ::close(fd_);
}

void MappedFile::load(int fd) {
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode))
        throw StoreError(StoreError::Kind::CannotOpen, path_);
    const std::size_t size = static_cast<std::size_t>(st.st_size);
    // A file of zero bytes cannot be mapped, and has nothing to map.
    if (size == 0) return;
    void* map = ::mmap(nullptr, size, PROT_READ, MAP_PRIVATE | MAP_POPULATE, fd, 0);
    if (map != MAP_FAILED) {
        map_ = map;
        mapSize_ = size;
        bytes_ = std::string_view(static_cast<const char*>(map), size);
        return;
    }
    // Read from the start whatever the descriptor's offset; the file may have changed
    // size since fstat, so read until the end.
    copy_.resize(size);
    std::size_t filled = 0;
    for (;;) {
        if (filled == copy_.size()) copy_.resize(copy_.size() + 65536);
        ssize_t n = ::pread(fd, &copy_[filled], copy_.size() - filled, static_cast<off_t>(filled));
        if (n < 0) {
            if (errno == EINTR) continue;
            throw StoreError(StoreError::Kind::CannotOpen, path_);
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    copy_.resize(filled);
    bytes_ = copy_;
}

}  // namespace store::textfile
