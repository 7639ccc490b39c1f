#pragma once

#include <functional>
#include <string>

#include "store/store_error.h"

// Helpers of the file tests: other holders of a file's lock, folder listings, errors.
namespace filechecks {

// Another holder of the file: its own open file description with its own flock.
class OtherHolder {
public:
    OtherHolder(const std::string& path, int operation);
    ~OtherHolder();
    OtherHolder(const OtherHolder&) = delete;
    OtherHolder& operator=(const OtherHolder&) = delete;

private:
    int fd_;
};

int countEntries(const std::string& folder);

// The kind of the StoreError that f throws (and its text in *what); a test failure when
// it throws none.
store::StoreError::Kind errorKindOf(const std::function<void()>& f, std::string* what = nullptr);

}  // namespace filechecks
