#include "fuzz_support.h"

#include <cstdio>
#include <cstdlib>

#include "text/cp932.h"

namespace fuzzsupport {

namespace {

void dump(const char* label, std::string_view bytes) {
    std::fprintf(stderr, "  %s (%zu bytes):", label, bytes.size());
    const std::size_t shown = bytes.size() < 256 ? bytes.size() : 256;
    for (std::size_t i = 0; i < shown; ++i) {
        std::fprintf(stderr, " %02x", static_cast<unsigned char>(bytes[i]));
    }
    std::fprintf(stderr, "%s\n", shown < bytes.size() ? " ..." : "");
}

}  // namespace

void check(bool ok, const char* what) {
    if (ok) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    std::abort();
}

void checkEqual(std::string_view expected, std::string_view actual, const char* what) {
    if (expected == actual) return;
    std::fprintf(stderr, "fuzz check failed: %s\n", what);
    dump("expected", expected);
    dump("actual", actual);
    std::abort();
}

std::string flipAsciiCase(const std::string& s) {
    std::string out = s;
    for (std::size_t i = 0; i < out.size();) {
        const std::size_t len = text::cp932::charLength(s, i);
        if (len == 1) {
            const char c = out[i];
            if (c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
            if (c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c - 'A' + 'a');
        }
        i += len;
    }
    return out;
}

bool isValidUtf8(std::string_view s) {
    std::size_t i = 0;
    while (i < s.size()) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        std::size_t len = 0;
        unsigned long cp = 0;
        if (c < 0x80) {
            ++i;
            continue;
        } else if (c >= 0xC2 && c <= 0xDF) {
            len = 2;
            cp = c & 0x1F;
        } else if (c >= 0xE0 && c <= 0xEF) {
            len = 3;
            cp = c & 0x0F;
        } else if (c >= 0xF0 && c <= 0xF4) {
            len = 4;
            cp = c & 0x07;
        } else {
            return false;
        }
        if (i + len > s.size()) return false;
        for (std::size_t k = 1; k < len; ++k) {
            const unsigned char t = static_cast<unsigned char>(s[i + k]);
            if ((t & 0xC0) != 0x80) return false;
            cp = (cp << 6) | (t & 0x3F);
        }
        if ((len == 3 && cp < 0x800) || (len == 4 && cp < 0x10000)) return false;
        if (cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
        i += len;
    }
    return true;
}

}  // namespace fuzzsupport
