#pragma once

#include <string>
#include <string_view>

namespace store::textfile {

// A whole file's bytes as one view, mapped instead of copied (read into memory where the
// file cannot be mapped). The view stays valid, and the file locked, for the object's life.
class MappedFile {
public:
    // Opens the file under a shared advisory lock taken without waiting; throws
    // CannotOpen when it is missing, not a regular file, unreadable or locked for writing.
    explicit MappedFile(const std::string& path);
    // The file open at lockedFd, which the caller keeps open and locked.
    MappedFile(const std::string& path, int lockedFd);
    ~MappedFile();
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;

    std::string_view bytes() const { return bytes_; }

private:
    void load(int fd);

    std::string path_;
    int fd_ = -1;  // ours to close; -1 for the caller's descriptor
    void* map_ = nullptr;
    std::size_t mapSize_ = 0;
    std::string copy_;
    std::string_view bytes_;
};

}  // namespace store::textfile
