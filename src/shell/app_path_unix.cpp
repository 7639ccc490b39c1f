#include "shell/app_path.h"

#include <climits>
#include <cstdlib>
#include <memory>

std::string AppPath;

namespace shell {

std::string folderOfExecutable(const std::string& exePath) {
    // UTF-8 never has "/" inside a multi-byte character, so the last "/" is a real one.
    auto slash = exePath.rfind('/');
    if (slash == std::string::npos) return std::string();
    return exePath.substr(0, slash + 1);
}

std::string executableFolder() {
    std::unique_ptr<char, decltype(&std::free)> real(realpath("/proc/self/exe", nullptr),
                                                     &std::free);
    if (!real) return std::string();
    return folderOfExecutable(real.get());
}

}  // namespace shell
