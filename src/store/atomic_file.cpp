#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>

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

// A hidden name beside the target; unique within the process and, by the pid, between
// processes. O_EXCL below settles any remaining clash.
std::string temporaryNameFor(const std::string& path) {
    static std::atomic<unsigned> counter{0};
    std::string folder = folderOf(path);
    std::string name = "." + baseNameOf(path) + ".tmp" + std::to_string(::getpid()) + "-" +
                       std::to_string(counter.fetch_add(1));
    return folder == "/" ? "/" + name : folder + "/" + name;
}

// Makes the folder entry of a rename durable; a failure here loses nothing that is not
// already on disk, so it is not reported.
void syncFolder(const std::string& folder) {
    Fd dir(openRetrying(folder.c_str(), O_RDONLY | O_DIRECTORY));
    if (dir.valid()) ::fsync(dir.get());
}

}  // namespace

AtomicWriter::AtomicWriter(const std::string& path) : path_(path) {
    // The old file: it must be a writable regular file, and nobody may be using it.
    Fd old;
    struct stat st;
    bool replacing = ::stat(path.c_str(), &st) == 0;
    if (replacing) {
        // Checked from the bits, not by access(): root may write anything, and a
        // read-only file must stay as it is for root too.
        if (!S_ISREG(st.st_mode) || !hasWriteBit(st.st_mode))
            throw StoreError(Kind::CannotCreate, path);
        old.reset(openRetrying(path.c_str(), O_RDONLY));
        if (!old.valid() || ::flock(old.get(), LOCK_EX | LOCK_NB) != 0)
            throw StoreError(Kind::CannotCreate, path);
    } else if (errno != ENOENT) {
        throw StoreError(Kind::CannotCreate, path);
    }

    Fd out;
    for (int tries = 0; tries < 100 && !out.valid(); ++tries) {
        temp_ = temporaryNameFor(path);
        // 0666 less the umask for a new file, as an ordinary create would give.
        out.reset(openRetrying(temp_.c_str(), O_WRONLY | O_CREAT | O_EXCL, 0666));
        if (!out.valid() && errno != EEXIST) break;
    }
    if (!out.valid()) throw StoreError(Kind::CannotCreate, path);

    if (replacing) {
        mode_t mode = st.st_mode & 07777;
        if (::fchmod(out.get(), mode) != 0) {
            out.reset();
            ::unlink(temp_.c_str());
            throw StoreError(Kind::CannotCreate, path);
        }
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

int AtomicWriter::oldFile() const {
    return old_;
}

void AtomicWriter::discard() {
    if (out_ < 0) return;
    ::close(out_);
    out_ = -1;
    ::unlink(temp_.c_str());
}

void AtomicWriter::append(std::string_view bytes) {
    constexpr std::size_t kBlock = 1 << 20;
    if (buffer_.size() + bytes.size() > kBlock) flush();
    if (bytes.size() >= kBlock) {
        if (!writeFully(out_, bytes.data(), bytes.size())) {
            discard();
            throw StoreError(Kind::WriteFailed, path_);
        }
        return;
    }
    if (buffer_.capacity() < kBlock) buffer_.reserve(kBlock);
    buffer_.append(bytes);
}

void AtomicWriter::flush() {
    if (out_ < 0) throw StoreError(Kind::WriteFailed, path_);
    if (!writeFully(out_, buffer_.data(), buffer_.size())) {
        discard();
        throw StoreError(Kind::WriteFailed, path_);
    }
    buffer_.clear();
}

void AtomicWriter::commit() {
    flush();
    int fd = out_;
    out_ = -1;
    bool synced = ::fsync(fd) == 0;
    if (::close(fd) != 0 || !synced) {
        ::unlink(temp_.c_str());
        throw StoreError(Kind::WriteFailed, path_);
    }
    if (::rename(temp_.c_str(), path_.c_str()) != 0) {
        ::unlink(temp_.c_str());
        throw StoreError(Kind::CannotCreate, path_);
    }
    syncFolder(folderOf(path_));
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

}  // namespace store::textfile
