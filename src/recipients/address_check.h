#pragma once

#include <string_view>

// One recipient address: taking it out of a cell, and whether the store can hold it.
namespace recipients {

enum class AddressFault {
    None,
    Empty,
    AtSign,       // not exactly one "@"
    NoLocalPart,  // nothing before the "@"
    NoDomainDot,  // the domain holds no inner "."
    Blank,        // a blank inside, ideographic space included
    Comma,
    Quote,
    AngleBracket,
    Control,
    NonAscii,     // any other character outside ASCII
    TooLong,      // more than 254 bytes
    NotReadBack,  // stored as "address,n" it would not read back as itself
};

inline constexpr std::size_t kMaxAddressBytes = 254;

// Blanks (ASCII 0x00-0x20 and U+3000) removed from both ends of UTF-8 text.
std::string_view trimBlanks(std::string_view utf8);

// The trimmed cell; "Name <addr>" gives addr.
std::string_view extractAddress(std::string_view cell);

// Checks a trimmed address (UTF-8) by the rules above, in the order listed. Only ASCII
// passes: whether the sending program takes international addresses is unknown. Callers
// turn full-width forms into ASCII first (see toHalfWidth).
AddressFault checkAddress(std::string_view utf8);

}  // namespace recipients
