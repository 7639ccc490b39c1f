#pragma once

#include <string>

namespace bench {

inline constexpr const char* kProject = "bulk";

// The n-th recipient address, 26 bytes.
std::string address(long n);

// Writes a store with project "bulk": list.txt holds 2 x recipients lines, alternating
// between group 0 and group 1, with two groups' names, subjects and bodies.
void writeLargeStore(const std::string& appPath, long recipients);

}  // namespace bench
