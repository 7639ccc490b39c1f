#include "store/typed_recipients.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "store/comma_text.h"
#include "store/recipient_scan.h"

namespace store::recipients {
namespace {

using Byte = unsigned char;

constexpr bool isLeadByte(Byte c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// What a byte means to the quick scan. A special byte may end a field or a line, or start
// a quoted field; none of them is ever a CP932 trail byte.
enum ByteClass : Byte { kPlain, kLead, kSpecial };

struct ByteClasses {
    ByteClass of[256];
    constexpr ByteClasses() : of() {
        for (int c = 0; c < 256; ++c) {
            of[c] = c <= 0x20 || c == ',' || c == '"' ? kSpecial : isLeadByte(c) ? kLead : kPlain;
        }
    }
};
constexpr ByteClasses kClasses;

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Some byte of the word is below n (n at most 128); exact for the "some" answer.
constexpr std::uint64_t hasByteBelow(std::uint64_t x, unsigned n) {
    return (x - kOnes * n) & ~x & kHighs;
}

// Eight ASCII bytes, none of them special: each is a character of its own.
bool isPlainAsciiWord(const Byte* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return ((x & kHighs) | hasByteBelow(x, 0x21) | hasByteBelow(x ^ (kOnes * ','), 1) |
            hasByteBelow(x ^ (kOnes * '"'), 1)) == 0;
}

// Bytes taken by the character at s[i]: a lead byte takes the next byte unless the text
// ends there (a NUL, too, ends a stored line).
std::size_t charLength(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<Byte>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0' ? 2 : 1;
}

bool isBlankOrControl(Byte c) {
    return c >= 0x01 && c <= 0x20;
}

// The first reason the line fails, looked for character by character.
LineFault faultOf(std::string_view line) {
    std::size_t begin = 0;
    std::size_t end = line.size();
    while (begin < end && static_cast<Byte>(line[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<Byte>(line[end - 1]) <= 0x20) --end;
    bool comma = false;
    bool innerBlank = false;
    bool quote = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = charLength(line, i);
        if (length == 1) {
            const Byte c = static_cast<Byte>(line[i]);
            comma = comma || c == ',';
            quote = quote || c == '"';
            innerBlank = innerBlank || (i > begin && i < end && isBlankOrControl(c));
        }
        i += length;
    }
    if (comma) return LineFault::Comma;
    if (innerBlank) return LineFault::InnerBlank;
    if (quote) return LineFault::Quote;
    return LineFault::Other;
}

// The rule itself on the stored line, built in a buffer that the whole check reuses.
bool readsBack(std::string_view line, std::string_view group, std::string& stored) {
    stored.assign(line.data(), line.size());
    stored += ',';
    stored.append(group.data(), group.size());
    const LineSplit split = splitLine(stored, group);
    return split.fields == 2 && split.secondIsGroup && commatext::addressPart(stored) == line;
}

// A group text that can never merge with the line before it or split itself: then a line
// that the quick scan passes reads back as itself.
bool isPlainGroup(std::string_view group) {
    if (group.empty()) return false;
    for (char c : group) {
        if (kClasses.of[static_cast<Byte>(c)] != kPlain) return false;
    }
    return true;
}

}  // namespace

TypedLinesCheck checkTypedLines(std::string_view fieldText, std::string_view group,
                                std::size_t keep) {
    TypedLinesCheck result;
    const Byte* const data = reinterpret_cast<const Byte*>(fieldText.data());
    const std::size_t size = fieldText.size();
    const bool quickAllowed = isPlainGroup(group);
    std::string stored;

    std::size_t number = 0;
    for (std::size_t pos = 0; pos < size; ++number) {
        const std::size_t start = pos;
        std::size_t i = pos;
        // Steps by character while every character is one that passes; stops at the line
        // end or at the first one that needs the rule.
        bool quick = quickAllowed;
        for (;;) {
            while (i + 8 <= size && isPlainAsciiWord(data + i)) i += 8;
            if (i >= size) break;
            const ByteClass cls = kClasses.of[data[i]];
            if (cls == kPlain) {
                ++i;
            } else if (cls == kLead && i + 1 < size && kClasses.of[data[i + 1]] != kSpecial) {
                i += 2;
            } else {
                if (data[i] != '\r' && data[i] != '\n') quick = false;
                break;
            }
        }
        // CR and LF are never trail bytes: the line ends at the first of them.
        std::size_t end = i;
        while (end < size && data[end] != '\r' && data[end] != '\n') ++end;
        if (end > i) quick = false;

        pos = end;
        if (pos < size) pos += data[pos] == '\r' && pos + 1 < size && data[pos + 1] == '\n' ? 2 : 1;

        if (end == start || quick) continue;
        const std::string_view line = fieldText.substr(start, end - start);
        if (readsBack(line, group, stored)) continue;
        if (result.first.size() < keep) result.first.push_back({number, faultOf(line)});
        ++result.refused;
    }
    return result;
}

}  // namespace store::recipients
