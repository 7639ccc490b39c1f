#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Full-width forms of ASCII characters, as a Japanese input method types them into an
// address, turned back into ASCII.
namespace text {

// The text with U+FF01-U+FF5E mapped to 0x21-0x7E and U+3000 to 0x20; everything else,
// invalid UTF-8 included, is kept as it is. `converted` counts the characters changed.
std::string toHalfWidth(std::string_view utf8, std::size_t* converted = nullptr);

}  // namespace text
