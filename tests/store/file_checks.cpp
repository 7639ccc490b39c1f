#include "file_checks.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

namespace filechecks {

OtherHolder::OtherHolder(const std::string& path, int operation)
    : fd_(::open(path.c_str(), O_RDONLY)) {
    if (fd_ < 0 || ::flock(fd_, operation | LOCK_NB) != 0) ADD_FAILURE() << "no lock";
}

OtherHolder::~OtherHolder() {
    if (fd_ >= 0) ::close(fd_);
}

int countEntries(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

store::StoreError::Kind errorKindOf(const std::function<void()>& f, std::string* what) {
    try {
        f();
    } catch (const store::StoreError& e) {
        if (what) *what = e.what();
        return e.kind();
    }
    ADD_FAILURE() << "no StoreError";
    return store::StoreError::Kind::WriteFailed;
}

}  // namespace filechecks
