#pragma once

#include <cstdint>
#include <string>
#include <string_view>

#include "store/cp932_char.h"

// When two addresses are one recipient. The key of an address is the address
//   1. trimmed of blanks at both ends (bytes 0x00-0x20 and the ideographic space),
//   2. with the full-width forms of ASCII characters made ASCII,
//   3. with the ASCII letters A-Z folded to a-z,
// and nothing else: other letters keep their case, since a mail server may tell them apart,
// and no other character is changed. The opt-out list, its gates and its dialog, the repeats
// of an import and duplicate removal all compare by this key.
namespace recipients {

// Step 3 alone, for one byte; a CP932 trail byte must never be given to it.
using store::cp932::foldAscii;

// Step 3 for eight bytes at once; bytes outside A-Z, UTF-8 and CP932 ones included, stay as
// they are.
constexpr std::uint64_t foldAsciiWord(std::uint64_t w) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    const std::uint64_t low7 = w & ~kHigh;
    const std::uint64_t atLeastA = low7 + 0x3F3F3F3F3F3F3F3FULL;  // 0x80 - 'A' per byte
    const std::uint64_t aboveZ = low7 + 0x2525252525252525ULL;    // 0x80 - 'Z' - 1 per byte
    const std::uint64_t capitals = atLeastA & ~aboveZ & ~w & kHigh;
    return w | (capitals >> 2);
}

// The key of a UTF-8 address.
std::string addressKey(std::string_view utf8);

}  // namespace recipients
