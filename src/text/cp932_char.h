#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string_view>

// What one CP932 byte or character is. Every scan of the store and of the recipient layer
// asks here: a lead byte takes the next byte with it, so a trail byte (0x40-0xFC, which
// takes in the ASCII letters, '\', '|' and '~') is never a delimiter, a refused character
// or a letter to fold. Inline, so the scans over a million lines pay no call.
namespace text::cp932 {

constexpr bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

constexpr bool isTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// Bytes taken by the character at s[i]: 2 for a lead byte followed by another byte, else 1.
constexpr std::size_t charLength(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

// The same inside a stored line, where a NUL ends the text: a lead byte just before it
// stands alone.
constexpr std::size_t charLengthInLine(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0' ? 2
                                                                                                : 1;
}

// What trimming removes: the bytes 0x00-0x20. None of them is ever a trail byte.
constexpr bool isBlank(unsigned char c) {
    return c <= 0x20;
}

// A blank between the fields of a stored line: a NUL ends the line instead.
constexpr bool isFieldBlank(unsigned char c) {
    return c >= 0x01 && c <= 0x20;
}

// The text without the bytes 0x00-0x20 at either end.
constexpr std::string_view trimmed(std::string_view s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && isBlank(static_cast<unsigned char>(s[begin]))) ++begin;
    while (end > begin && isBlank(static_cast<unsigned char>(s[end - 1]))) --end;
    return s.substr(begin, end - begin);
}

constexpr bool isAsciiUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}

// A single-byte character with its ASCII letter made small; call it only on bytes that
// are not trail bytes.
constexpr char foldAscii(char c) {
    return isAsciiUpper(static_cast<unsigned char>(c)) ? static_cast<char>(c - 'A' + 'a') : c;
}

// A byte's part in a scan: plain, the lead byte of a two-byte character, or one of the
// bytes the scan stops at (never a trail byte). A table, since scans ask for every byte.
enum class ByteKind : unsigned char { Plain, Lead, Stop };

struct ByteKinds {
    ByteKind of[256] = {};
};

template <typename IsStop>
constexpr ByteKinds byteKinds(IsStop isStop) {
    ByteKinds kinds;
    for (int c = 0; c < 256; ++c) {
        const auto b = static_cast<unsigned char>(c);
        kinds.of[c] = isStop(b) ? ByteKind::Stop : isLeadByte(b) ? ByteKind::Lead : ByteKind::Plain;
    }
    return kinds;
}

// Eight bytes at a time, for the scans that skip runs of plain ASCII in one step.
namespace words {

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Eight bytes with the first in the lowest bits, on any machine.
inline std::uint64_t load(const char* p) {
    std::uint64_t w;
    std::memcpy(&w, p, sizeof w);
#if defined(__BYTE_ORDER__) && __BYTE_ORDER__ == __ORDER_BIG_ENDIAN__
    w = __builtin_bswap64(w);
#endif
    return w;
}

// The first n (< 8) bytes as a load, the rest zero.
inline std::uint64_t loadPart(const char* p, std::size_t n) {
    char bytes[8] = {};
    std::memcpy(bytes, p, n);
    return load(bytes);
}

// Which byte of a load the lowest flag of a test below marks.
inline std::size_t firstFlagged(std::uint64_t flags) {
    return std::size_t(__builtin_ctzll(flags)) / 8;
}

// Some byte of the word is below n (n at most 128); exact for the "some" answer and for
// the lowest flag: a borrow only runs upwards from a match.
constexpr std::uint64_t hasByteBelow(std::uint64_t x, unsigned n) {
    return (x - kOnes * n) & ~x & kHighs;
}

// Some byte of the word equals c.
constexpr std::uint64_t hasByte(std::uint64_t x, unsigned char c) {
    return hasByteBelow(x ^ (kOnes * c), 1);
}

}  // namespace words

constexpr bool isAsciiByte(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

// How many bytes from `from` on are ASCII; eight at a time, as most of a list is.
inline std::size_t asciiRunLength(std::string_view s, std::size_t from = 0) {
    std::size_t end = from;
    while (end + 8 <= s.size()) {
        if (words::load(s.data() + end) & words::kHighs) break;
        end += 8;
    }
    while (end < s.size() && isAsciiByte(s[end])) ++end;
    return end - from;
}

inline bool isAscii(std::string_view s) {
    return asciiRunLength(s) == s.size();
}

}  // namespace text::cp932
