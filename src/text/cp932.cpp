#include "text/cp932.h"

#include "text/iconv_converter.h"

namespace text::cp932 {
namespace {

std::optional<std::string> convert(const char* to, const char* from, const std::string& in) {
    // One descriptor per call: conversions here are rare (names, fields), and a shared one
    // would carry state between callers.
    IconvConverter conv(to, from);
    std::string out;
    std::size_t consumed = 0;
    if (!conv.run(in, out, consumed)) return std::nullopt;
    return out;
}

}  // namespace

std::string trim(const std::string& s) {
    return std::string(trimmed(s));
}

bool equalsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        std::size_t len = charLength(a, i);
        if (len == 2) {
            // A double-byte character matches only itself, byte for byte.
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
        } else if (foldAscii(a[i]) != foldAscii(b[i])) {
            return false;
        }
        i += len;
    }
    return true;
}

std::optional<std::string> toUtf8(const std::string& cp932) {
    return convert("UTF-8", "CP932", cp932);
}

std::optional<std::string> fromUtf8(const std::string& utf8) {
    return convert("CP932", "UTF-8", utf8);
}

std::string toUtf8Lossy(const std::string& cp932) {
    IconvConverter conv("UTF-8", "CP932");
    std::string out;
    if (!conv.ok()) return out;
    std::size_t pos = 0;
    for (;;) {
        std::size_t consumed = 0;
        if (conv.run(std::string_view(cp932).substr(pos), out, consumed)) return out;
        out += "\xEF\xBF\xBD";
        pos += consumed;
        // A lead byte takes its trail byte with it, so the trail byte does not show up as
        // a stray ASCII letter; a line end after a lone lead byte stays.
        pos +=
            isLeadByte(cp932[pos]) && pos + 1 < cp932.size() && isTrailByte(cp932[pos + 1]) ? 2 : 1;
        if (pos >= cp932.size()) return out;
    }
}

}  // namespace text::cp932
