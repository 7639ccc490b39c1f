#pragma once

#include <optional>
#include <string>

// Whole numbers as the settings files hold them: an optional sign and decimal digits,
// nothing else, within 32 bits.
namespace integertext {

std::optional<int> parse(const std::string& text);
// The value in plain decimal; "0" when the text is not such a number.
std::string normalizedOrZero(const std::string& text);

}  // namespace integertext
