#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/optout_list.h"

// The recipient field (UTF-8, lines at LF, CR LF or CR) against the opt-out list, for the
// group save and the list check: which lines name an opted-out address, and the field
// without them. With an empty list nothing is looked at and nothing changes.
namespace recipients {

struct FieldOptOut {
    std::size_t line = 0;  // 1-based
    std::string text;      // the line, trimmed
};

struct FieldOptOuts {
    std::size_t count = 0;
    std::vector<FieldOptOut> first;  // in line order, the first `keep`
    std::vector<std::size_t> lines;  // every one, 1-based, in order
};

FieldOptOuts findFieldOptOuts(std::string_view utf8, const OptOutList& optOuts,
                              std::size_t keep = 1000);
// The same over the field as it will be stored (CP932): the save looks there, so a
// million lines need no second conversion. The lines found keep their CP932 bytes.
FieldOptOuts findCp932FieldOptOuts(std::string_view cp932, const OptOutList& optOuts,
                                   std::size_t keep = 1000);

// Removes the lines found in the same text, each with its line end, in place: a field of
// a million lines is neither copied nor looked up twice. Every other line stays as it was,
// line end included.
// The line numbers are those of either form of the field: both end their lines alike.
void removeFieldOptOuts(std::string& utf8, const FieldOptOuts& found);

}  // namespace recipients
