#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace store::commatext {

// Splits a list.txt line into fields: quoted fields with doubled quotes, bytes 1..32
// separating fields as commas do, a trailing comma giving no field, stepping by CP932
// character everywhere: a lead byte takes the next byte, a quote or comma too, unless the
// line ends there. A NUL byte ends the line.
std::vector<std::string> split(std::string_view line);

// Where a line's address part ends: at its first comma, stepping by CP932 character; a
// NUL ends the line. `plain` is false when a quote or a blank stands before that comma:
// only then may split()'s first field differ from the text before it.
struct AddressEnd {
    std::size_t comma = std::string_view::npos;
    bool plain = true;
};
AddressEnd addressEnd(std::string_view line);

// The text before the line's first comma ("" when it has none).
std::string_view addressPart(std::string_view line);

// The fields of one line one at a time, without allocating for the common case; split()
// is built on it, and the recipient scans of a large list.txt use it directly.
class FieldScanner {
public:
    explicit FieldScanner(std::string_view line);
    // The next field: a view into the line, or into the scanner's own buffer when a
    // quoted field holds doubled quotes (valid until the next call). False at the end.
    bool next(std::string_view& field);

private:
    void quotedField(std::string_view& field);

    std::string_view line_;
    std::size_t pos_ = 0;
    bool nulChecked_ = false;
    std::string unquoted_;
};

}  // namespace store::commatext
