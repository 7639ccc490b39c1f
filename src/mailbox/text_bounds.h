#pragma once

#include <cstddef>
#include <string>
#include <string_view>

// Text from a mail on its way to a table or a file: one line, bounded, nothing a hostile
// sender could use to break a line or a field.
namespace mailbox {

// Control characters (CR LF included) become blanks, runs of blanks one blank, both ends
// trimmed; at most `maxBytes`, cut at a UTF-8 character boundary.
std::string oneLine(std::string_view text, std::size_t maxBytes = 300);

// ASCII letters folded to lower case.
std::string lowerAscii(std::string_view text);

}  // namespace mailbox
