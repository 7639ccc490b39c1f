#pragma once

#include <string>

// The application folder with a trailing "/"; set once by the start window's FormCreate.
extern std::string AppPath;

namespace shell {

// The folder part of an absolute executable path, up to and including its last "/".
std::string folderOfExecutable(const std::string& exePath);
// The folder of the running executable (its real location, links resolved).
std::string executableFolder();

}  // namespace shell
