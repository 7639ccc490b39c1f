#include "store/text_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>

#include "store/store_error.h"

namespace store::textfile {
namespace {

using Kind = StoreError::Kind;

// Closes the descriptor on every way out; closing also frees its flock.
class Fd {
public:
    explicit Fd(int fd = -1) : fd_(fd) {}
    ~Fd() { reset(); }
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const { return fd_; }
    bool valid() const { return fd_ >= 0; }
    void reset(int fd = -1) {
        if (fd_ >= 0) ::close(fd_);
        fd_ = fd;
    }
    int release() {
        int fd = fd_;
        fd_ = -1;
        return fd;
    }

private:
    int fd_;
};

int openRetrying(const char* path, int flags, mode_t mode = 0) {
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

bool fileExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool folderExists(const std::string& path) {
    struct stat st;
    return ::stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

LineReader::LineReader(std::string_view bytes) : text_(bytes) {
    std::size_t nul = text_.find('\0');
    if (nul != std::string_view::npos) text_ = text_.substr(0, nul);
    nextCr_ = std::min(text_.find('\r'), text_.size());
    nextLf_ = std::min(text_.find('\n'), text_.size());
}

bool LineReader::next(std::string_view& line) {
    const std::size_t size = text_.size();
    if (pos_ >= size) return false;
    // CR and LF are never CP932 trail bytes, so a plain byte search finds every line end.
    const char* data = text_.data();
    if (nextCr_ < pos_) {
        auto* p = static_cast<const char*>(std::memchr(data + pos_, '\r', size - pos_));
        nextCr_ = p ? static_cast<std::size_t>(p - data) : size;
    }
    if (nextLf_ < pos_) {
        auto* p = static_cast<const char*>(std::memchr(data + pos_, '\n', size - pos_));
        nextLf_ = p ? static_cast<std::size_t>(p - data) : size;
    }
    std::size_t end = nextCr_ < nextLf_ ? nextCr_ : nextLf_;
    line = std::string_view(data + pos_, end - pos_);
    if (end < size && data[end] == '\r' && end + 1 < size && data[end + 1] == '\n') ++end;
    pos_ = end + 1;
    return true;
}

LineBlocks::LineBlocks(const std::string& path) : path_(path) {
    Fd fd(openRetrying(path.c_str(), O_RDONLY));
    struct stat st;
    if (!fd.valid() || ::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode) ||
        ::flock(fd.get(), LOCK_SH | LOCK_NB) != 0)
        throw StoreError(Kind::CannotOpen, path);
    buffer_.resize(1 << 20);
    fd_ = fd.release();
}

LineBlocks::LineBlocks(const std::string& path, int lockedFd) : path_(path) {
    // A second descriptor of the same open file: it shares the caller's lock and offset.
    struct stat st;
    if (lockedFd < 0 || ::fstat(lockedFd, &st) != 0 || (fd_ = ::dup(lockedFd)) < 0)
        throw StoreError(Kind::CannotOpen, path);
    buffer_.resize(1 << 20);
}

LineBlocks::~LineBlocks() {
    if (fd_ >= 0) ::close(fd_);
}

// Hands out every complete line of the buffer. A CR at the very end waits for the next
// block, which may start with its LF.
bool LineBlocks::next(std::string_view& block) {
    if (handed_ == filled_ && atEnd_) return false;
    filled_ -= handed_;
    std::memmove(&buffer_[0], buffer_.data() + handed_, filled_);
    handed_ = 0;
    for (;;) {
        if (!atEnd_) {
            if (filled_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
            // pread: the descriptor may share its offset with the caller's.
            ssize_t n = ::pread(fd_, &buffer_[filled_], buffer_.size() - filled_, offset_);
            if (n < 0) {
                if (errno == EINTR) continue;
                throw StoreError(Kind::CannotOpen, path_);
            }
            offset_ += n;
            auto* nul = static_cast<const char*>(std::memchr(buffer_.data() + filled_, '\0', n));
            if (nul) {
                filled_ = static_cast<std::size_t>(nul - buffer_.data());
                atEnd_ = true;
            } else {
                filled_ += static_cast<std::size_t>(n);
                atEnd_ = n == 0;
            }
        }
        std::size_t complete = filled_;
        if (!atEnd_) {
            complete = 0;
            for (std::size_t i = filled_; i > 0; --i) {
                char c = buffer_[i - 1];
                if (c == '\n' || (c == '\r' && i < filled_)) {
                    complete = i;
                    break;
                }
            }
        }
        if (complete > 0 || atEnd_) {
            handed_ = complete;
            block = std::string_view(buffer_.data(), complete);
            return complete > 0;
        }
    }
}

std::vector<std::string> splitLines(std::string_view bytes) {
    std::vector<std::string> lines;
    LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) lines.emplace_back(line);
    return lines;
}

std::string readAll(const std::string& path) {
    Fd fd(openRetrying(path.c_str(), O_RDONLY));
    if (!fd.valid()) throw StoreError(Kind::CannotOpen, path);
    struct stat st;
    if (::fstat(fd.get(), &st) != 0 || !S_ISREG(st.st_mode))
        throw StoreError(Kind::CannotOpen, path);
    // A writer holds the exclusive lock; waiting is the caller's business.
    if (::flock(fd.get(), LOCK_SH | LOCK_NB) != 0) throw StoreError(Kind::CannotOpen, path);

    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);
        ssize_t n = ::read(fd.get(), &bytes[filled], bytes.size() - filled);
        if (n < 0) {
            if (errno == EINTR) continue;
            throw StoreError(Kind::CannotOpen, path);
        }
        if (n == 0) break;
        filled += static_cast<std::size_t>(n);
    }
    bytes.resize(filled);
    return bytes;
}

std::vector<std::string> readLines(const std::string& path) {
    return splitLines(readAll(path));
}

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

void createFolderChain(const std::string& path) {
    std::string folder = path;
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) throw StoreError(Kind::CannotCreate, path);
    std::size_t pos = folder.front() == '/' ? 1 : 0;
    for (;;) {
        std::size_t slash = folder.find('/', pos);
        std::string part = folder.substr(0, slash);
        if (!part.empty() && ::mkdir(part.c_str(), 0700) != 0) {
            if (errno != EEXIST || !folderExists(part)) throw StoreError(Kind::CannotCreate, part);
        }
        if (slash == std::string::npos) break;
        pos = slash + 1;
    }
}

}  // namespace store::textfile
