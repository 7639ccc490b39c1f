#include "store/text_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>

#include "store/file_descriptor.h"
#include "store/store_error.h"
#include "text/line_steps.h"

namespace store::textfile {
namespace {

using Kind = StoreError::Kind;
using detail::Fd;
using detail::openRetrying;

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
    pos_ = text::lines::afterLineEnd(text_, end);
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
    return readAll(path, fd.get());
}

std::string readAll(const std::string& path, int lockedFd) {
    struct stat st;
    if (lockedFd < 0 || ::fstat(lockedFd, &st) != 0) throw StoreError(Kind::CannotOpen, path);
    std::string bytes;
    bytes.resize(static_cast<std::size_t>(st.st_size));
    std::size_t filled = 0;
    for (;;) {
        if (filled == bytes.size()) bytes.resize(bytes.size() + 65536);
        // pread: the descriptor's offset belongs to the caller.
        ssize_t n =
            ::pread(lockedFd, &bytes[filled], bytes.size() - filled, static_cast<off_t>(filled));
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
