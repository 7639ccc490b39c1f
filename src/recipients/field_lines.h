#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <utility>

#include "text/line_steps.h"

// The lines of a recipient field's text, as the store splits them: at LF, CR LF or CR.
namespace recipients {

// Calls fn(index, line) for every line, empty ones included, index from 0. A final line
// end makes no extra empty line.
template <typename Fn>
void forEachFieldLine(std::string_view text, Fn&& fn) {
    text::lines::forEachLine(text, std::forward<Fn>(fn));
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
