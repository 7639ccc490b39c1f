#pragma once

#include <cstddef>
#include <optional>
#include <string>

#include "text/cp932_char.h"

// Shift-JIS (code page 932) bytes. Every text of the store is held as CP932 bytes in a
// std::string; only the window's fields see Unicode.
namespace text::cp932 {

// Removes bytes 0x00..0x20 from both ends.
std::string trim(const std::string& s);

// Case-insensitive equality folding ASCII letters; a trail byte is never folded.
bool equalsIgnoreCase(const std::string& a, const std::string& b);

// Strict conversions: nullopt when a byte sequence is not CP932, or a character has no
// CP932 form.
std::optional<std::string> toUtf8(const std::string& cp932);
std::optional<std::string> fromUtf8(const std::string& utf8);

// For display: undecodable bytes become U+FFFD.
std::string toUtf8Lossy(const std::string& cp932);

}  // namespace text::cp932
