#pragma once
#include <cstddef>
#include <string_view>
#include <vector>
namespace store::recipients {
// Why a typed recipient line would not read back as itself once stored as "line,n".
enum class LineFault { Comma, InnerBlank, Quote, Other };
struct RefusedLine {
    std::size_t line = 0;  // 0-based line number in the field text, empty lines counted
    LineFault fault = LineFault::Other;
};
struct TypedLinesCheck {
    std::size_t refused = 0;         // all refused lines
    std::vector<RefusedLine> first;  // the first `keep` of them, in order
};
// Checks every non-empty line of a recipient field's text (CP932 bytes; lines separated by
// LF, CR LF or CR) as saving group `group` would store it: the stored line "text,group" must
// split by the comma-text rule into exactly two fields, the second equal to `group`, and
// the text before its first comma (commatext::addressPart) must be the typed line itself.
// Empty lines are skipped (saving drops them). Lines that pass are never refused.
TypedLinesCheck checkTypedLines(std::string_view fieldText, std::string_view group,
                                std::size_t keep = 5);
}  // namespace store::recipients
