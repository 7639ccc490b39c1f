#pragma once

#include <cstddef>
#include <string>

// Header text as RFC 2047 encoded-words (UTF-8, B encoding). Japanese runs have no blanks,
// so the words are cut here, by character, where GMime's own encoder would leave one word
// longer than a line.
namespace smtp {

// Whether the text cannot go into a header as it is: non-ASCII, a control character,
// something that reads as an encoded-word, or a run without blanks too long to fold.
bool needsEncodedWords(const std::string& text);

// The header's raw value after the colon, as GMime writes it: one encoded-word per line,
// each line within 76 columns; `nameLength` is the length of "Name:" on the first line,
// `tail` (such as " <address>") follows the last word, on a line of its own if it must.
std::string foldedEncodedWords(const std::string& utf8, std::size_t nameLength,
                               const std::string& tail = "");

}  // namespace smtp
