#pragma once

#include <string>

namespace bench {

// A fresh folder under the system's temporary folder, removed with everything in it when
// this goes out of scope.
class TempFolder {
public:
    TempFolder();
    ~TempFolder();
    TempFolder(const TempFolder&) = delete;
    TempFolder& operator=(const TempFolder&) = delete;

    // With a trailing "/", as the application folder is given.
    const std::string& path() const { return path_; }

private:
    std::string path_;
};

}  // namespace bench
