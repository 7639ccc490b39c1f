#include "store/atomic_file.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstdio>
#include <utility>

#include "store/background_close.h"
#include "store/file_descriptor.h"
#include "store/store_error.h"

namespace store::textfile {
namespace {

using Kind = StoreError::Kind;
using detail::baseNameOf;
using detail::Fd;
using detail::folderOf;
using detail::hasWriteBit;
using detail::openRetrying;

// Another writer replacing the file between our open and our lock makes us open it again;
// only a file replaced without pause by someone else runs out of attempts.
constexpr int kOpenAttempts = 100;
constexpr const char* kTempMark = ".tmp";
// Bytes gathered in the block buffer before they go out in one write; larger appends skip it.
constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kDirect = 64 << 10;
// Every so many bytes written, their writeback is started, so that the disk works while the
// rest is still being built and the sync at the commit waits for little more than the tail.
constexpr std::size_t kWritebackStep = 8 << 20;
// A replaced old file at least this large is closed off the caller's thread.
constexpr off_t kCloseAsideSize = 4 << 20;

std::function<void()>& beforeLockHook() {
    static std::function<void()> hook;
    return hook;
}

void runBeforeLockHook() {
    if (!beforeLockHook()) return;
    auto hook = std::move(beforeLockHook());
    beforeLockHook() = nullptr;
    hook();
}

bool sameFile(const struct stat& a, const struct stat& b) {
    return a.st_dev == b.st_dev && a.st_ino == b.st_ino;
}

// The name still leads to the open file (following links, as opening it did).
bool nameLeadsTo(const std::string& path, int fd) {
    struct stat byName;
    struct stat open;
    return ::stat(path.c_str(), &byName) == 0 && ::fstat(fd, &open) == 0 && sameFile(byName, open);
}

bool writeFully(int fd, const char* data, std::size_t size) {
    while (size > 0) {
        ssize_t n = ::write(fd, data, size);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        data += n;
        size -= static_cast<std::size_t>(n);
    }
    return true;
}

// writev until every byte is out; a short write resumes inside the piece it stopped in.
bool writeFully(int fd, iovec* pieces, int count) {
    while (count > 0) {
        ssize_t n = ::writev(fd, pieces, count);
        if (n < 0) {
            if (errno == EINTR) continue;
            return false;
        }
        auto left = static_cast<std::size_t>(n);
        while (count > 0 && left >= pieces->iov_len) {
            left -= pieces->iov_len;
            ++pieces;
            --count;
        }
        if (count > 0) {
            pieces->iov_base = static_cast<char*>(pieces->iov_base) + left;
            pieces->iov_len -= left;
        }
    }
    return true;
}

std::string inFolder(const std::string& folder, const std::string& name) {
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// A hidden name beside the target: "." name ".tmp" pid "-" count. Unique within the
// process and, by the pid, between processes; O_EXCL settles any remaining clash.
std::string temporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    return inFolder(folderOf(path), "." + baseNameOf(path) + kTempMark +
                                        std::to_string(::getpid()) + "-" +
                                        std::to_string(counter.fetch_add(1)));
}

bool allDigits(std::string_view s) {
    if (s.empty()) return false;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
    }
    return true;
}

// Makes the folder entry of a rename durable.
bool syncFolder(const std::string& folder) {
    Fd dir(openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
    return dir.valid() && ::fsync(dir.get()) == 0;
}

// Whose temporary files we may take for our own: ours, and when we run as root also those
// of the target's owner, since a root writer gives its temporary file that owner.
bool mayClear(uid_t owner, const std::string& target) {
    if (owner == ::geteuid()) return true;
    struct stat st;
    return ::geteuid() == 0 && ::lstat(target.c_str(), &st) == 0 && S_ISREG(st.st_mode) &&
           st.st_uid == owner;
}

// Removes the temporary file when it is stale: a regular file of ours that no writer holds
// locked. The lock is held while the name is checked and removed, so a writer that has
// just created the file either cannot lock it or finds its name gone, and starts afresh.
void removeIfStale(const std::string& path, const std::string& target) {
    Fd fd(openRetrying(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK));
    // A temporary file of a write-only target has no read bit.
    if (!fd.valid() && errno == EACCES) {
        fd.reset(openRetrying(path.c_str(), O_WRONLY | O_NOFOLLOW | O_NONBLOCK));
    }
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        !mayClear(st.st_uid, target)) {
        return;
    }
    if (::flock(fd.get(), LOCK_EX | LOCK_NB) != 0) return;
    struct stat byName;
    if (::lstat(path.c_str(), &byName) == 0 && sameFile(byName, st)) ::unlink(path.c_str());
}

}  // namespace

AtomicWriter::AtomicWriter(const std::string& path) : path_(path) {
    // The old file: a writable regular file that nobody else is using, locked while it is
    // still the file at the path.
    Fd old;
    struct stat st;
    for (int attempt = 0;; ++attempt) {
        if (attempt == kOpenAttempts) throw StoreError(Kind::CannotCreate, path);
        // Non-blocking, so that a FIFO at the path cannot stall the open.
        old.reset(openRetrying(path.c_str(), O_RDONLY | O_NONBLOCK));
        if (!old.valid()) {
            if (errno == ENOENT) break;
            throw StoreError(Kind::CannotCreate, path);
        }
        runBeforeLockHook();
        if (::flock(old.get(), LOCK_EX | LOCK_NB) != 0) throw StoreError(Kind::CannotCreate, path);
        // Checked from the bits, not by access(): root may write anything, and a read-only
        // file must stay as it is for root too.
        if (::fstat(old.get(), &st) != 0 || !S_ISREG(st.st_mode) || !hasWriteBit(st.st_mode))
            throw StoreError(Kind::CannotCreate, path);
        // Another writer may have renamed its new file over the one we opened; building on
        // the file we hold would lose its update.
        if (nameLeadsTo(path, old.get())) break;
        old.reset();
    }

    Fd out;
    for (int tries = 0; tries < 100 && !out.valid(); ++tries) {
        temp_ = temporaryNameFor(path);
        // 0666 less the umask for a new file, as an ordinary create would give.
        out.reset(openRetrying(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
        if (!out.valid()) {
            if (errno != EEXIST) break;
            continue;
        }
        // Our lock marks the file as live. A cleaner that took it for stale between the
        // create and the lock holds the lock itself or has removed the name: start afresh.
        if (::flock(out.get(), LOCK_EX | LOCK_NB) != 0 || !nameLeadsTo(temp_, out.get()))
            out.reset();
    }
    if (!out.valid()) throw StoreError(Kind::CannotCreate, path);

    struct stat created;
    if (::fstat(out.get(), &created) != 0) {
        ::unlink(temp_.c_str());
        throw StoreError(Kind::CannotCreate, path);
    }
    tempMode_ = created.st_mode & 07777;
    if (old.valid()) {
        mode_t mode = st.st_mode & 07777;
        if (::fchmod(out.get(), mode) != 0) {
            ::unlink(temp_.c_str());
            throw StoreError(Kind::CannotCreate, path);
        }
        tempMode_ = mode;
        // Keeps the owner when root rewrites someone else's file; where we may not,
        // the file simply becomes ours.
        if (st.st_uid != ::geteuid() || st.st_gid != ::getegid()) {
            if (::fchown(out.get(), st.st_uid, st.st_gid) == 0) ::fchmod(out.get(), mode);
        }
    }
    old_ = old.release();
    out_ = out.release();
}

AtomicWriter::~AtomicWriter() {
    discard();
    if (old_ >= 0) ::close(old_);
}

// After the replacement: the old file's lock goes at once, as a close would free it; the
// close itself, which frees the blocks of a large file, need not be waited for.
void AtomicWriter::closeOld() {
    if (old_ < 0) return;
    struct stat st;
    if (::fstat(old_, &st) == 0 && st.st_size >= kCloseAsideSize && st.st_nlink == 0) {
        ::flock(old_, LOCK_UN);
        detail::closeInBackground(old_);
    } else {
        ::close(old_);
    }
    old_ = -1;
}

int AtomicWriter::oldFile() const {
    return old_;
}

// The name goes first, while our lock still marks the file as live.
void AtomicWriter::discard() {
    if (out_ < 0) return;
    ::unlink(temp_.c_str());
    ::close(out_);
    out_ = -1;
}

void AtomicWriter::append(std::string_view bytes) {
    if (buffer_.size() + bytes.size() > kBlock || bytes.size() >= kDirect) flush();
    if (bytes.size() >= kDirect) {
        if (!writeFully(out_, bytes.data(), bytes.size())) {
            discard();
            throw StoreError(Kind::WriteFailed, path_);
        }
        wrote(bytes.size());
        return;
    }
    if (buffer_.capacity() < kBlock) buffer_.reserve(kBlock);
    buffer_.append(bytes);
}

void AtomicWriter::appendPieces(const std::vector<std::string_view>& pieces) {
    if (!buffer_.empty()) flush();
    constexpr std::size_t kBatch = 1024;  // IOV_MAX on Linux
    iovec batch[kBatch];
    for (std::size_t from = 0; from < pieces.size(); from += kBatch) {
        const std::size_t count = std::min(kBatch, pieces.size() - from);
        for (std::size_t i = 0; i < count; ++i) {
            batch[i].iov_base = const_cast<char*>(pieces[from + i].data());
            batch[i].iov_len = pieces[from + i].size();
        }
        std::size_t size = 0;
        for (std::size_t i = 0; i < count; ++i) size += batch[i].iov_len;
        if (!writeFully(out_, batch, static_cast<int>(count))) {
            discard();
            throw StoreError(Kind::WriteFailed, path_);
        }
        wrote(size);
    }
}

void AtomicWriter::flush() {
    if (out_ < 0) throw StoreError(Kind::WriteFailed, path_);
    if (!writeFully(out_, buffer_.data(), buffer_.size())) {
        discard();
        throw StoreError(Kind::WriteFailed, path_);
    }
    wrote(buffer_.size());
    buffer_.clear();
}

// Only a start: errors of the writeback are those the sync at the commit reports.
void AtomicWriter::wrote(std::size_t bytes) {
    written_ += bytes;
    if (written_ - started_ < kWritebackStep) return;
    ::sync_file_range(out_, static_cast<off_t>(started_), static_cast<off_t>(written_ - started_),
                      SYNC_FILE_RANGE_WRITE);
    started_ = written_;
}

// Swaps the new file in and checks, with the old one at the temporary name, that it was
// still writable and still the one we locked at that moment; else swaps back. A chmod of
// the old file at any moment before the swap thus keeps it, and one after the swap meets
// the new file.
void AtomicWriter::replaceOld() {
    struct stat before;
    if (::fstat(old_, &before) != 0 || !hasWriteBit(before.st_mode)) {
        discard();
        throw StoreError(Kind::CannotCreate, path_);
    }
    // A mode changed while we wrote is the one the file keeps.
    const mode_t mode = before.st_mode & 07777;
    if (mode != tempMode_ && ::fchmod(out_, mode) == 0) tempMode_ = mode;

    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) != 0) {
        if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP) {
            discard();
            throw StoreError(Kind::CannotCreate, path_);
        }
        // A file system without the exchange: the check just before the rename must do.
        if (::rename(temp_.c_str(), path_.c_str()) != 0) {
            discard();
            throw StoreError(Kind::CannotCreate, path_);
        }
        return;
    }
    struct stat after;
    if (nameLeadsTo(temp_, old_) && ::fstat(old_, &after) == 0 && hasWriteBit(after.st_mode)) {
        ::unlink(temp_.c_str());
        return;
    }
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_EXCHANGE) == 0) {
        discard();
    } else {
        // Cannot happen short of the folder vanishing; the new file stays, the old one at
        // the temporary name, and the caller hears that the write did not go as asked.
        ::close(out_);
        out_ = -1;
    }
    throw StoreError(Kind::CannotCreate, path_);
}

// A new file never replaces one that appeared meanwhile: that one belongs to another
// writer, whose content we did not build on.
void AtomicWriter::placeNew() {
    if (::renameat2(AT_FDCWD, temp_.c_str(), AT_FDCWD, path_.c_str(), RENAME_NOREPLACE) == 0)
        return;
    if (errno == EINVAL || errno == ENOSYS || errno == EOPNOTSUPP) {
        if (::link(temp_.c_str(), path_.c_str()) == 0) {
            ::unlink(temp_.c_str());
            return;
        }
        if (errno != EEXIST && ::rename(temp_.c_str(), path_.c_str()) == 0) return;
    }
    discard();
    throw StoreError(Kind::CannotCreate, path_);
}

void AtomicWriter::commit() {
    flush();
    if (::fsync(out_) != 0) {
        discard();
        throw StoreError(Kind::WriteFailed, path_);
    }
    if (old_ >= 0) {
        replaceOld();
    } else {
        placeNew();
    }
    const std::string folder = folderOf(path_);
    const bool synced = syncFolder(folder);
    // Only now are the locks let go: the new file is in place under its name.
    ::close(out_);
    out_ = -1;
    closeOld();

    const std::string target = baseNameOf(path_);
    removeStaleTemporaries(folder, [&target](std::string_view name) { return name == target; });
    if (!synced) throw StoreError(Kind::WriteFailed, path_);
}

void writeAll(const std::string& path, std::string_view bytes) {
    AtomicWriter writer(path);
    writer.append(bytes);
    writer.commit();
}

void writeLines(const std::string& path, const std::vector<std::string>& lines) {
    std::size_t size = 0;
    for (const auto& line : lines) size += line.size() + 2;
    std::string bytes;
    bytes.reserve(size);
    for (const auto& line : lines) {
        bytes += line;
        bytes += "\r\n";
    }
    writeAll(path, bytes);
}

std::string_view temporaryTarget(std::string_view name) {
    // "." target ".tmp" digits "-" digits, read from the end, so a target name may hold
    // anything, ".tmp" included.
    if (name.size() < 2 || name.front() != '.') return {};
    const std::size_t dash = name.rfind('-');
    if (dash == std::string_view::npos || !allDigits(name.substr(dash + 1))) return {};
    const std::size_t mark = name.rfind(kTempMark, dash);
    if (mark == std::string_view::npos || mark < 2) return {};
    const std::size_t pidStart = mark + std::char_traits<char>::length(kTempMark);
    if (!allDigits(name.substr(pidStart, dash - pidStart))) return {};
    return name.substr(1, mark - 1);
}

void removeStaleTemporaries(const std::string& folder,
                            const std::function<bool(std::string_view target)>& isTarget) {
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    std::vector<std::pair<std::string, std::string>> stale;  // temporary name, target
    while (const dirent* entry = ::readdir(dir)) {
        const std::string_view name = entry->d_name;
        const std::string_view target = temporaryTarget(name);
        if (!target.empty() && isTarget(target)) stale.emplace_back(name, target);
    }
    ::closedir(dir);
    for (const auto& [name, target] : stale)
        removeIfStale(inFolder(folder, name), inFolder(folder, target));
}

void setBeforeLockHook(std::function<void()> hook) {
    beforeLockHook() = std::move(hook);
}

}  // namespace store::textfile
