#pragma once

#include <string>

namespace bench {

inline constexpr const char* kProject = "bulk";
// A list.txt line of address(n) and a one-digit group: ",<n>" and CR LF after it.
inline constexpr long kListLineBytes = 30;

// The n-th recipient address, 26 bytes.
std::string address(long n);

// Writes a store with project "bulk": list.txt holds 2 x recipients lines, alternating
// between group 0 and group 1, with two groups' names, subjects and bodies.
void writeLargeStore(const std::string& appPath, long recipients);

// The n-th project's name.
std::string projectName(long n);

// Writes project.ini listing projects names, without their folders: the list is all
// that adding or deleting one reads.
void writeProjectList(const std::string& appPath, long projects);

// Throws unless "bulk"'s list.txt is as large as the given number of lines makes it.
void requireListLines(const std::string& appPath, long lines);

// The number of recipients of the group in "bulk"'s list.txt.
long groupRecipients(const std::string& appPath, int group);

}  // namespace bench
