#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/address_check.h"
#include "recipients/optout_list.h"

// The recipient field as it stands: which lines are not addresses the store can hold, which
// repeat an earlier line, and which name an opted-out address.
namespace recipients {

// A line is judged, and compared with the others, as its address will stand once its
// full-width forms are ASCII (see toHalfWidth).
struct FieldProblem {
    std::size_t line = 0;                     // 1-based
    std::string text;                         // the line, trimmed
    AddressFault fault = AddressFault::None;  // None for a duplicate or a full-width line
    std::size_t duplicateOf = 0;              // the earlier line it repeats, or 0
    bool fullWidth = false;                   // valid only once made ASCII (see withHalfWidthLines)
    bool optedOut = false;                    // on the opt-out list (see findFieldOptOuts)
};

struct FieldCheck {
    std::size_t addresses = 0;  // non-empty lines
    std::size_t invalid = 0;
    std::size_t duplicates = 0;
    std::size_t fullWidth = 0;        // valid lines holding full-width forms, repeats included
    std::size_t optedOut = 0;         // lines on the opt-out list
    std::size_t problems = 0;         // lines listed: invalid, repeated, full-width or opted out
    std::vector<FieldProblem> first;  // in line order, the first `keep` problems
};

FieldCheck checkField(std::string_view utf8, std::size_t keep = 1000);
// The same, with the lines on the opt-out list listed as well.
FieldCheck checkField(std::string_view utf8, const OptOutList& optOuts, std::size_t keep = 1000);

// The text without the lines that repeat an earlier valid address (letters compared
// case-insensitively); every other line stays as it was, in order, each ending in LF.
std::string withoutDuplicateLines(std::string_view utf8);

// The text with each line that checkField counts as fullWidth replaced by its address in
// ASCII; every other line stays as it was, in order, each ending in LF. `converted`
// counts the lines replaced.
std::string withHalfWidthLines(std::string_view utf8, std::size_t* converted = nullptr);

}  // namespace recipients
