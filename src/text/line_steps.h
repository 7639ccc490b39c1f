#pragma once

#include <cstddef>
#include <string_view>

#include "text/cp932_char.h"

// Lines end at CR LF, a lone LF or a lone CR, in every text the tool reads: the store's
// files, a recipient field, the opt-out list. One place steps over them.
namespace text::lines {

constexpr bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// Where the line that starts at `pos` ends: at its CR or LF, or at the text's end.
inline std::size_t endOfLine(std::string_view text, std::size_t pos) {
    // Scans that stop at a line end ask here too: answered before the word is read.
    if (pos < text.size() && isLineEnd(text[pos])) return pos;
    // Eight bytes at a time: most of a list is plain text, and every scan steps over lines.
    namespace words = cp932::words;
    for (; pos + 8 <= text.size(); pos += 8) {
        const std::uint64_t word = words::load(text.data() + pos);
        const std::uint64_t ends = words::hasByte(word, '\r') | words::hasByte(word, '\n');
        if (ends) return pos + words::firstFlagged(ends);
    }
    while (pos < text.size() && !isLineEnd(text[pos])) ++pos;
    return pos;
}

// Where the next line starts, for a line that ends at `end`: past its CR LF, LF or CR.
constexpr std::size_t afterLineEnd(std::string_view text, std::size_t end) {
    if (end >= text.size()) return text.size();
    return end + (text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? 2 : 1);
}

// One line of a text: where it starts, where its text ends (at its CR or LF, or at the
// text's end) and where the next line starts.
struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;
    std::size_t next = 0;
};

inline Span lineAt(std::string_view text, std::size_t pos) {
    const std::size_t end = endOfLine(text, pos);
    return {pos, end, afterLineEnd(text, end)};
}

// Calls fn(index, line) for every line, empty ones included, index from 0. A final line
// end makes no extra empty line.
template <typename Fn>
void forEachLine(std::string_view text, Fn&& fn) {
    std::size_t index = 0;
    for (std::size_t pos = 0; pos < text.size(); ++index) {
        const std::size_t end = endOfLine(text, pos);
        fn(index, text.substr(pos, end - pos));
        pos = afterLineEnd(text, end);
    }
}

}  // namespace text::lines
