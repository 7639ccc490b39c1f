#pragma once

#include <string>
#include <vector>

namespace benchstore {

// Runs the program (looked up in PATH, no shell) with its standard output sent to the
// given file, and waits for it. Throws std::runtime_error unless it exits with 0.
void runCommand(const std::vector<std::string>& argv, const std::string& stdoutPath);

}  // namespace benchstore
