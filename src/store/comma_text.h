#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace store::commatext {

// Splits a list.txt line into fields: quoted fields with doubled quotes, bytes 1..32
// separating fields as commas do, a trailing comma giving no field, stepping by CP932
// character.
std::vector<std::string> split(std::string_view line);

// The text before the line's first comma ("" when it has none).
std::string_view addressPart(std::string_view line);

}  // namespace store::commatext
