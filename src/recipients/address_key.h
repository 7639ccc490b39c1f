#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "text/cp932_char.h"

// When two addresses are one recipient. The key of an address is the address
//   1. trimmed of blanks at both ends (bytes 0x00-0x20 and the ideographic space),
//   2. with the full-width forms of ASCII characters made ASCII,
//   3. with the ASCII letters A-Z folded to a-z,
// and nothing else: other letters keep their case, since a mail server may tell them apart,
// and no other character is changed. The opt-out list, its gates and its dialog, the repeats
// of an import and duplicate removal all compare by this key.
namespace recipients {

// Step 3 alone, for one byte; a CP932 trail byte must never be given to it.
using text::cp932::foldAscii;

// The bytes a word may hold, for foldAsciiWord.
enum class WordBytes {
    Any,    // UTF-8 and CP932 bytes included
    Plain,  // 0x00-0x7F only, as in a plain run: two steps fewer, in the hottest loop
};

// Step 3 for eight bytes at once; bytes outside A-Z stay as they are.
template <WordBytes kBytes = WordBytes::Any>
constexpr std::uint64_t foldAsciiWord(std::uint64_t w) {
    constexpr std::uint64_t kHigh = 0x8080808080808080ULL;
    constexpr bool kAny = kBytes == WordBytes::Any;
    // A byte from 0x80 up would carry into the next one: its high bit is set aside first.
    const std::uint64_t low7 = kAny ? w & ~kHigh : w;
    const std::uint64_t atLeastA = low7 + 0x3F3F3F3F3F3F3F3FULL;  // 0x80 - 'A' per byte
    const std::uint64_t aboveZ = low7 + 0x2525252525252525ULL;    // 0x80 - 'Z' - 1 per byte
    const std::uint64_t capitals = atLeastA & ~aboveZ & (kAny ? ~w & kHigh : kHigh);
    return w | (capitals >> 2);
}

// The hash of a key read as eight-byte words, for every table that files keys: `mix` each
// word in from kSeed on (the last one padded with zero bytes), then `finish`.
namespace keyhash {

constexpr std::uint64_t kSeed = 0x9E3779B97F4A7C15ULL;

constexpr std::uint64_t mix(std::uint64_t hash, std::uint64_t word) {
    hash = (hash ^ word) * 0xFF51AFD7ED558CCDULL;
    return hash ^ (hash >> 29);
}

// The tables index by the low bits: the high ones are mixed down.
constexpr std::uint64_t finish(std::uint64_t hash, std::size_t size) {
    hash ^= size;
    hash *= 0xC4CEB9FE1A85EC53ULL;
    hash ^= hash >> 33;
    hash *= 0xFF51AFD7ED558CCDULL;
    hash ^= hash >> 33;
    return hash;
}

// The whole hash of `text`, each word passed through `word` first (a fold, say).
template <typename Word>
std::uint64_t of(std::string_view text, Word word) {
    namespace words = text::cp932::words;
    std::uint64_t hash = kSeed;
    std::size_t i = 0;
    for (; i + 8 <= text.size(); i += 8) hash = mix(hash, word(words::load(text.data() + i)));
    if (i < text.size()) hash = mix(hash, word(words::loadPart(text.data() + i, text.size() - i)));
    return finish(hash, text.size());
}

}  // namespace keyhash

// The key of a UTF-8 address.
std::string addressKey(std::string_view utf8);

}  // namespace recipients
