#include "store/cp932.h"

#include <iconv.h>

#include <cerrno>

namespace store::cp932 {
namespace {

bool isAsciiUpper(unsigned char c) {
    return c >= 'A' && c <= 'Z';
}

unsigned char foldAscii(unsigned char c) {
    return isAsciiUpper(c) ? static_cast<unsigned char>(c - 'A' + 'a') : c;
}

bool isTrailByte(unsigned char c) {
    return c >= 0x40 && c <= 0xFC && c != 0x7F;
}

// One iconv descriptor per call: conversions are rare (names, fields), and a shared
// descriptor would carry state between callers.
class Converter {
public:
    Converter(const char* to, const char* from) : cd_(iconv_open(to, from)) {}
    ~Converter() {
        if (ok()) iconv_close(cd_);
    }
    Converter(const Converter&) = delete;
    Converter& operator=(const Converter&) = delete;

    bool ok() const { return cd_ != reinterpret_cast<iconv_t>(-1); }

    // Converts as much as it can; stops at the first byte it cannot take and leaves
    // `consumed` there. True when the whole input was converted.
    bool run(const char* data, std::size_t size, std::string& out, std::size_t& consumed) {
        consumed = 0;
        char* src = const_cast<char*>(data);
        std::size_t srcLeft = size;
        char buffer[4096];
        while (srcLeft > 0) {
            char* dst = buffer;
            std::size_t dstLeft = sizeof buffer;
            std::size_t rc = iconv(cd_, &src, &srcLeft, &dst, &dstLeft);
            out.append(buffer, dst - buffer);
            if (rc == static_cast<std::size_t>(-1) && errno != E2BIG) break;
        }
        consumed = size - srcLeft;
        if (srcLeft != 0) return false;
        // Flush any shift state; neither encoding has one, but iconv asks for it.
        char* dst = buffer;
        std::size_t dstLeft = sizeof buffer;
        if (iconv(cd_, nullptr, nullptr, &dst, &dstLeft) == static_cast<std::size_t>(-1))
            return false;
        out.append(buffer, dst - buffer);
        return true;
    }

private:
    iconv_t cd_;
};

std::optional<std::string> convert(const char* to, const char* from, const std::string& in) {
    Converter conv(to, from);
    if (!conv.ok()) return std::nullopt;
    std::string out;
    out.reserve(in.size() * 3 / 2);
    std::size_t consumed = 0;
    if (!conv.run(in.data(), in.size(), out, consumed)) return std::nullopt;
    return out;
}

}  // namespace

bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

std::size_t charLength(const std::string& s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() ? 2 : 1;
}

std::string trim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= 0x20) ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 0x20) --end;
    return s.substr(begin, end - begin);
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
    Converter conv("UTF-8", "CP932");
    std::string out;
    if (!conv.ok()) return out;
    out.reserve(cp932.size() * 3 / 2);
    std::size_t pos = 0;
    for (;;) {
        std::size_t consumed = 0;
        if (conv.run(cp932.data() + pos, cp932.size() - pos, out, consumed)) return out;
        out += "\xEF\xBF\xBD";
        pos += consumed;
        // A lead byte takes its trail byte with it, so the trail byte does not show up as
        // a stray ASCII letter; a line end after a lone lead byte stays.
        pos +=
            isLeadByte(cp932[pos]) && pos + 1 < cp932.size() && isTrailByte(cp932[pos + 1]) ? 2 : 1;
        if (pos >= cp932.size()) return out;
    }
}

}  // namespace store::cp932
