#pragma once

#include <string>
#include <string_view>

// Files that hold addresses or a password: private to the user (mode 0600) from their
// first byte, temporary file included.
namespace store::privatefile {

// Creates an empty file with mode 0600 when nothing is at the path: the atomic writer then
// keeps that mode. Throws StoreError CannotCreate.
void createIfMissing(const std::string& path);

// Sets mode 0600 on a file that a person may have made with wider bits.
void makePrivate(const std::string& path);

// The atomic writeAll of a private file.
void writeAll(const std::string& path, std::string_view bytes);

}  // namespace store::privatefile
