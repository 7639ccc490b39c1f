#include "recipients/optout_key.h"

#include <iconv.h>

#include <array>
#include <cstring>

#include "recipients/half_width.h"
#include "store/cp932.h"

namespace recipients::optoutkey {
namespace {

using Table = std::array<char, 0x10000>;

// The full-width forms by their CP932 codes, taken from iconv's own CP932 table rather
// than typed: some characters have two codes (the NEC and IBM rows), and both must match.
Table buildTable() {
    Table table{};
    const iconv_t cd = iconv_open("UTF-8", "CP932");
    if (cd == reinterpret_cast<iconv_t>(-1)) return table;
    for (unsigned lead = 0x81; lead <= 0xFC; ++lead) {
        if (!store::cp932::isLeadByte(static_cast<unsigned char>(lead))) continue;
        for (unsigned trail = 0x40; trail <= 0xFC; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char out[8];
            char* src = in;
            char* dst = out;
            std::size_t srcLeft = 2;
            std::size_t dstLeft = sizeof out;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) continue;
            const std::string half = toHalfWidth(std::string_view(out, dst - out));
            if (half.size() == 1) table[lead << 8 | trail] = half[0];
        }
    }
    iconv_close(cd);
    return table;
}

const Table& table() {
    static const Table built = buildTable();
    return built;
}

char folded(char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

bool isBlank(char c) {
    return static_cast<unsigned char>(c) <= 0x20;
}

// store::cp932::isLeadByte, here where the compiler can inline it into the key loop.
bool isLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
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
        if (isLead(c) && i + 1 < address.size()) {
            const auto trail = static_cast<unsigned char>(address[i + 1]);
            if (const char half = forms[c << 8 | trail]) {
                key[n++] = folded(half);
            } else {
                key[n++] = address[i];
                key[n++] = address[i + 1];
            }
            ++i;
        } else {
            key[n++] = folded(address[i]);
        }
    }
    std::size_t begin = 0;
    while (n > 0 && isBlank(key[n - 1])) --n;
    while (begin < n && isBlank(key[begin])) ++begin;
    if (begin > 0) std::memmove(key, key + begin, n - begin);
    out.resize(n - begin);
}

bool fromUtf8(std::string_view address, std::string& out) {
    // The usual line, plain ASCII, in one pass: folded and trimmed as it is copied.
    out.resize(address.size());
    char* const key = &out[0];
    std::size_t n = 0;
    bool ascii = true;
    for (char c : address) {
        ascii &= static_cast<unsigned char>(c) < 0x80;
        key[n++] = folded(c);
    }
    if (!ascii) {
        out = toHalfWidth(address);
        for (char& c : out) c = folded(c);
        ascii = isAscii(out);
        n = out.size();
    }
    std::size_t begin = 0;
    while (n > 0 && isBlank(out[n - 1])) --n;
    while (begin < n && isBlank(out[begin])) ++begin;
    if (begin > 0) std::memmove(&out[0], out.data() + begin, n - begin);
    out.resize(n - begin);
    return ascii;
}

bool isAsciiKey(std::string_view key) {
    return isAscii(key);
}

}  // namespace recipients::optoutkey
