#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

// The address key (address_key.h) built in place, over CP932 as well as UTF-8, for the
// opt-out check that runs over every line of a large list. Trail bytes of two-byte
// characters are never folded, so two Japanese characters never meet as one.
namespace recipients::optoutkey {

// The key of a CP932 address, written over out.
void fromCp932(std::string_view address, std::string& out);

// The same for a UTF-8 address (a field's line): full-width forms converted, trimmed,
// folded, but left in UTF-8. An ASCII key is the same in both encodings; the list keeps
// the UTF-8 form of its other keys, so a field's line needs no conversion to CP932.
// True when the key is ASCII.
bool fromUtf8(std::string_view address, std::string& out);

// The ASCII character of a two-byte CP932 full-width form (lead << 8 | trail), or 0.
char halfWidthOf(unsigned code);

// The hash the list files a key under.
std::uint64_t hashOf(std::string_view key);

// A run of plain bytes (0x21-0x7F) from `from`: nothing in it is converted or trimmed,
// so its key is the run with its letters folded. The usual line is one such run, and a
// scanner gets its key's hash in one pass without building the key.
// With stopAtComma a comma or a quote ends the run too (list.txt's address part).
struct PlainRun {
    std::size_t size = 0;
    std::uint64_t hash = 0;  // hashOf the folded run
};
PlainRun plainRun(std::string_view text, std::size_t from, bool stopAtComma);

}  // namespace recipients::optoutkey
