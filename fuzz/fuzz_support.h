#pragma once

#include <string>
#include <string_view>

// Checks shared by the fuzz targets. A failed check prints what broke and the bytes
// involved, then aborts so that libFuzzer keeps the input as a crash.
namespace fuzzsupport {

void check(bool ok, const char* what);
void checkEqual(std::string_view expected, std::string_view actual, const char* what);

// Swaps the case of the ASCII letters that stand as characters of their own, stepping by
// CP932 character; trail bytes stay as they are.
std::string flipAsciiCase(const std::string& s);

// Whether the bytes are well-formed UTF-8 (no overlong forms, no surrogates, <= U+10FFFF).
bool isValidUtf8(std::string_view s);

}  // namespace fuzzsupport
