#include "recipients/optout_key.h"

#include <array>
#include <cstring>
#include <string>

#include "recipients/address_key.h"
#include "text/cp932_char.h"
#include "text/half_width.h"
#include "text/iconv_converter.h"

namespace recipients::optoutkey {
namespace {

using Table = std::array<char, 0x10000>;

// The full-width forms by their CP932 codes, taken from iconv's own CP932 table rather
// than typed: some characters have two codes (the NEC and IBM rows), and both must match.
Table buildTable() {
    Table table{};
    text::IconvConverter toUtf8("UTF-8", "CP932");
    if (!toUtf8.ok()) return table;
    std::string out;
    for (unsigned lead = 0; lead < 0x100; ++lead) {
        if (!text::cp932::isLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0; trail < 0x100; ++trail) {
            if (!text::cp932::isTrailByte(static_cast<unsigned char>(trail))) continue;
            const char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            out.clear();
            std::size_t consumed = 0;
            if (!toUtf8.run(std::string_view(in, 2), out, consumed)) continue;
            const std::string half = text::toHalfWidth(out);
            if (half.size() == 1) table[lead << 8 | trail] = half[0];
        }
    }
    return table;
}

const Table& table() {
    static const Table built = buildTable();
    return built;
}

using text::cp932::words::load;
using text::cp932::words::loadPart;

using text::cp932::words::hasByte;
using text::cp932::words::kHighs;
using text::cp932::words::kOnes;

using keyhash::finish;
using keyhash::kSeed;
using keyhash::mix;

// The high bit of every byte that ends a plain run. Exact for the lowest such byte, which
// is all a caller reads: a borrow only ever runs upwards from a flagged byte.
std::uint64_t stops(std::uint64_t w, bool stopAtComma) {
    std::uint64_t m = (w - kOnes * 0x21) | w;  // 0x00-0x20 and 0x80-0xFF
    if (stopAtComma) {
        m |= hasByte(w, ',') | hasByte(w, '"');
    }
    return m & kHighs;
}

// The key's first n bytes, trimmed, become the whole key; done in place, as this runs for
// every line of a large list.
void keepTrimmed(std::string& key, std::size_t n) {
    const std::string_view kept = text::cp932::trimmed(std::string_view(key.data(), n));
    if (kept.data() != key.data()) std::memmove(&key[0], kept.data(), kept.size());
    key.resize(kept.size());
}

}  // namespace

char halfWidthOf(unsigned code) {
    return code < 0x10000 ? table()[code] : 0;
}

void fromCp932(std::string_view address, std::string& out) {
    // Written through a pointer: this runs for every line of a large list.
    out.resize(address.size());
    char* const key = &out[0];
    std::size_t n = 0;
    const Table& forms = table();
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (text::cp932::isLeadByte(c) && i + 1 < address.size()) {
            const auto trail = static_cast<unsigned char>(address[i + 1]);
            if (const char half = forms[c << 8 | trail]) {
                key[n++] = foldAscii(half);
            } else {
                key[n++] = address[i];
                key[n++] = address[i + 1];
            }
            ++i;
        } else {
            key[n++] = foldAscii(address[i]);
        }
    }
    keepTrimmed(out, n);
}

bool fromUtf8(std::string_view address, std::string& out) {
    // The usual line, plain ASCII, in one pass: folded and trimmed as it is copied.
    out.resize(address.size());
    char* const key = &out[0];
    std::size_t n = 0;
    bool ascii = true;
    for (char c : address) {
        ascii &= static_cast<unsigned char>(c) < 0x80;
        key[n++] = foldAscii(c);
    }
    if (!ascii) {
        out = text::toHalfWidth(address);
        for (char& c : out) c = foldAscii(c);
        ascii = text::cp932::isAscii(out);
        n = out.size();
    }
    keepTrimmed(out, n);
    return ascii;
}

std::uint64_t hashOf(std::string_view key) {
    return keyhash::of(key, [](std::uint64_t w) { return w; });
}

PlainRun plainRun(std::string_view text, std::size_t from, bool stopAtComma) {
    // Word by word, as hashOf reads the key; the bytes from the stop on are masked off.
    const char* const begin = text.data() + from;
    const std::size_t size = text.size() - from;
    std::uint64_t hash = kSeed;
    std::size_t i = 0;
    for (;;) {
        const std::size_t left = size - i;
        // Past the end a zero byte stops the run like any control byte.
        const std::uint64_t w = left >= 8 ? load(begin + i) : loadPart(begin + i, left);
        const std::uint64_t stop = stops(w, stopAtComma);
        if (stop == 0) {
            hash = mix(hash, foldAsciiWord<WordBytes::Plain>(w));
            i += 8;
            continue;
        }
        const int bytes = __builtin_ctzll(stop) / 8;
        // A stop byte from 0x80 up carries only into the bytes after it, which go.
        if (bytes > 0)
            hash = mix(
                hash, foldAsciiWord<WordBytes::Plain>(w) & (~std::uint64_t(0) >> (64 - 8 * bytes)));
        i += std::size_t(bytes);
        return {i, finish(hash, i)};
    }
}

}  // namespace recipients::optoutkey
