#include "store/typed_recipients.h"

#include <cstdint>
#include <cstring>
#include <string>

#include "store/comma_text.h"
#include "store/recipient_scan.h"
#include "text/cp932_char.h"
#include "text/line_steps.h"

namespace store::recipients {
namespace {

using Byte = unsigned char;
using namespace text::cp932;
using namespace text::cp932::words;

// What a byte means to the quick scan. A stop may end a field or a line, or start a quoted
// field; none of them is ever a CP932 trail byte.
constexpr ByteKinds kKinds = byteKinds([](Byte c) { return c <= 0x20 || c == ',' || c == '"'; });

// Eight ASCII bytes, none of them special: each is a character of its own.
bool isPlainAsciiWord(const Byte* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return ((x & kHighs) | hasByteBelow(x, 0x21) | hasByte(x, ',') | hasByte(x, '"')) == 0;
}

// The first reason the line fails, looked for character by character.
LineFault faultOf(std::string_view line) {
    const std::string_view inner = trimmed(line);
    const std::size_t begin = std::size_t(inner.data() - line.data());
    const std::size_t end = begin + inner.size();
    bool comma = false;
    bool innerBlank = false;
    bool quote = false;
    for (std::size_t i = 0; i < line.size();) {
        const std::size_t length = charLengthInLine(line, i);
        if (length == 1) {
            const Byte c = static_cast<Byte>(line[i]);
            comma = comma || c == ',';
            quote = quote || c == '"';
            innerBlank = innerBlank || (i > begin && i < end && isFieldBlank(c));
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
        if (kKinds.of[static_cast<Byte>(c)] != ByteKind::Plain) return false;
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
            const ByteKind kind = kKinds.of[data[i]];
            if (kind == ByteKind::Plain) {
                ++i;
            } else if (kind == ByteKind::Lead && i + 1 < size &&
                       kKinds.of[data[i + 1]] != ByteKind::Stop) {
                i += 2;
            } else {
                if (!text::lines::isLineEnd(static_cast<char>(data[i]))) quick = false;
                break;
            }
        }
        // CR and LF are never trail bytes: the line ends at the first of them.
        const std::size_t end = text::lines::endOfLine(fieldText, i);
        if (end > i) quick = false;
        pos = text::lines::afterLineEnd(fieldText, end);

        if (end == start || quick) continue;
        const std::string_view line = fieldText.substr(start, end - start);
        if (readsBack(line, group, stored)) continue;
        if (result.first.size() < keep) result.first.push_back({number, faultOf(line)});
        ++result.refused;
    }
    return result;
}

}  // namespace store::recipients
