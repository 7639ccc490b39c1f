#pragma once

#include <sys/types.h>

#include <string>

// Descriptor and path helpers shared by the store's file code; not for use outside it.
namespace store::textfile::detail {

// Closes the descriptor on every way out; closing also frees its flock.
class Fd {
public:
    explicit Fd(int fd = -1);
    ~Fd();
    Fd(const Fd&) = delete;
    Fd& operator=(const Fd&) = delete;

    int get() const;
    bool valid() const;
    void reset(int fd = -1);
    int release();

private:
    int fd_;
};

// open() with O_CLOEXEC, repeated when a signal interrupts it.
int openRetrying(const char* path, int flags, mode_t mode = 0);

// The folder part of a path ("." for a bare name, "/" for the root) and the name after it.
std::string folderOf(const std::string& path);
std::string baseNameOf(const std::string& path);

// Some write permission bit is set; the store never replaces or removes a file without one.
bool hasWriteBit(mode_t mode);

}  // namespace store::textfile::detail
