#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// The lines of a recipient field's text, as the store splits them: at LF, CR LF or CR.
namespace recipients {

// Calls fn(index, line) for every line, empty ones included, index from 0. A final line
// end makes no extra empty line.
template <typename Fn>
void forEachFieldLine(std::string_view text, Fn&& fn) {
    std::size_t index = 0;
    for (std::size_t pos = 0; pos < text.size(); ++index) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        fn(index, text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size())
            pos += text[pos] == '\r' && pos + 1 < text.size() && text[pos + 1] == '\n' ? 2 : 1;
    }
}

// True when the text ends in a line end (LF or CR).
bool endsWithLineEnd(std::string_view text);
// Removing or rewriting lines may leave a final line end the text did not have before:
// unless `hadOne`, it is dropped, so the text still ends as it was typed.
void keepFinalLineEnd(bool hadOne, std::string& text);

// The number of lines holding at least one character (blanks count: saving stores them).
// Scans in place: the count label runs it on the editor's own buffer.
std::size_t countNonEmptyLines(const char* data, std::size_t size);

}  // namespace recipients
