#include "recipients/file_encoding.h"

#include <uchardet/uchardet.h>

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>
#include <optional>

#include "text/cp932.h"
#include "text/iconv_converter.h"

namespace recipients {
namespace {

// uchardet reads about 15 MB/s; its verdict settles within the first few hundred KB, and the
// strict conversion afterwards checks every byte anyway.
constexpr std::size_t kDetectPrefix = 256 * 1024;

// Strict: nullopt at the first byte sequence the source encoding does not hold.
std::optional<std::string> convertStrict(const char* from, std::string_view in) {
    text::IconvConverter conv("UTF-8", from);
    std::string out;
    std::size_t consumed = 0;
    if (!conv.run(in, out, consumed)) return std::nullopt;
    out.shrink_to_fit();
    return out;
}

const char* iconvName(Encoding encoding) {
    switch (encoding) {
        case Encoding::Utf16Le:
            return "UTF-16LE";
        case Encoding::Utf16Be:
            return "UTF-16BE";
        case Encoding::Cp932:
            return "CP932";
        case Encoding::EucJp:
            // Reads plain EUC-JP alike, and also the NEC special row (①, ㈱, №) that
            // spreadsheets write.
            return "EUC-JP-MS";
        default:
            return "UTF-8";
    }
}

std::string upper(std::string text) {
    for (char& c : text) c = char(std::toupper(static_cast<unsigned char>(c)));
    return text;
}

// The bytes of the EUC-JP character `text` starts with: a lead byte takes the following
// bytes of the 0xA1-0xFE range (two after 0x8F, one otherwise), ASCII stands alone.
std::size_t eucCharLength(std::string_view text) {
    const auto lead = static_cast<unsigned char>(text[0]);
    std::size_t trails = lead == 0x8F ? 2 : (lead >= 0xA1 && lead <= 0xFE) || lead == 0x8E ? 1 : 0;
    std::size_t length = 1;
    while (trails-- > 0 && length < text.size() &&
           static_cast<unsigned char>(text[length]) >= 0xA1 &&
           static_cast<unsigned char>(text[length]) <= 0xFE)
        ++length;
    return length;
}

bool startsWith(std::string_view text, std::string_view prefix) {
    return text.substr(0, prefix.size()) == prefix;
}

}  // namespace

bool isValidUtf8(std::string_view bytes) {
    const auto* p = reinterpret_cast<const unsigned char*>(bytes.data());
    const auto* end = p + bytes.size();
    while (p < end) {
        p += text::cp932::asciiRunLength(
            std::string_view(reinterpret_cast<const char*>(p), std::size_t(end - p)));
        if (p >= end) break;
        const unsigned char c = *p;
        if (c < 0x80) {
            ++p;
            continue;
        }
        int more;
        unsigned char low = 0x80, high = 0xBF;
        if (c >= 0xC2 && c <= 0xDF) {
            more = 1;
        } else if (c >= 0xE0 && c <= 0xEF) {
            more = 2;
            if (c == 0xE0) low = 0xA0;
            if (c == 0xED) high = 0x9F;  // no surrogates
        } else if (c >= 0xF0 && c <= 0xF4) {
            more = 3;
            if (c == 0xF0) low = 0x90;
            if (c == 0xF4) high = 0x8F;
        } else {
            return false;
        }
        if (end - p <= more) return false;
        if (p[1] < low || p[1] > high) return false;
        for (int i = 2; i <= more; ++i) {
            if (p[i] < 0x80 || p[i] > 0xBF) return false;
        }
        p += more + 1;
    }
    return true;
}

std::string detectCharset(std::string_view bytes) {
    uchardet_t detector = uchardet_new();
    if (!detector) return std::string();
    const std::size_t size = std::min(bytes.size(), kDetectPrefix);
    std::string name;
    if (uchardet_handle_data(detector, bytes.data(), size) == 0) {
        uchardet_data_end(detector);
        if (const char* charset = uchardet_get_charset(detector)) name = charset;
    }
    uchardet_delete(detector);
    return name;
}

DecodedText decodeText(std::string bytes, bool keepDetected) {
    DecodedText result;
    const std::string_view view(bytes);
    const auto fromBom = [&](Encoding encoding, std::size_t bomSize) {
        result.encoding = encoding;
        auto text = encoding == Encoding::Utf8Bom
                        ? (isValidUtf8(view.substr(bomSize))
                               ? std::optional<std::string>(bytes.substr(bomSize))
                               : std::nullopt)
                        : convertStrict(iconvName(encoding), view.substr(bomSize));
        if (!text) {
            result.fault = DecodeFault::UnknownEncoding;
        } else {
            result.text = std::move(*text);
        }
        return result;
    };
    if (startsWith(view, "\xEF\xBB\xBF")) return fromBom(Encoding::Utf8Bom, 3);
    if (startsWith(view, "\xFF\xFE")) return fromBom(Encoding::Utf16Le, 2);
    if (startsWith(view, "\xFE\xFF")) return fromBom(Encoding::Utf16Be, 2);

    // None of the encodings read here puts a NUL into text.
    if (view.find('\0') != std::string_view::npos) {
        result.fault = DecodeFault::NotText;
        return result;
    }
    if (isValidUtf8(view)) {
        result.encoding = Encoding::Utf8;
        result.text = std::move(bytes);
        return result;
    }

    const std::string named = upper(detectCharset(view));
    const bool cp932 =
        named == "SHIFT_JIS" || named == "CP932" || named == "WINDOWS-31J" || named == "SJIS";
    if (keepDetected && (cp932 || named == "EUC-JP")) {
        result.encoding = cp932 ? Encoding::Cp932 : Encoding::EucJp;
        result.text = std::move(bytes);
        result.raw = true;
        return result;
    }
    Encoding order[2] = {Encoding::Cp932, Encoding::EucJp};
    if (named == "EUC-JP") std::swap(order[0], order[1]);
    for (Encoding candidate : order) {
        auto text = convertStrict(iconvName(candidate), view);
        if (!text) continue;
        if (!cp932 && named != "EUC-JP" && candidate == order[0]) {
            const auto other = convertStrict(iconvName(order[1]), view);
            result.guessed = other && *other != *text;
        }
        result.encoding = candidate;
        result.text = std::move(*text);
        return result;
    }
    result.fault = DecodeFault::UnknownEncoding;
    return result;
}

CellDecoder::CellDecoder(Encoding encoding)
    : encoding_(encoding), conv_("UTF-8", iconvName(encoding)) {}

bool CellDecoder::convert(std::string_view cell, std::string& out, bool lossy) {
    out.clear();
    if (!conv_.ok()) return false;
    bool whole = true;
    for (std::size_t consumed = 0; !conv_.run(cell, out, consumed);) {
        whole = false;
        if (!lossy) break;
        // iconv stops at the character it cannot read. One mark for the whole character,
        // so its trail bytes are not read as the start of the next one.
        cell.remove_prefix(consumed);
        cell.remove_prefix(eucCharLength(cell));
        out += "\xEF\xBF\xBD";
    }
    return whole;
}

bool CellDecoder::toUtf8(std::string_view cell, std::string& out) {
    return convert(cell, out, false);
}

std::string CellDecoder::toUtf8Lossy(std::string_view cell) {
    // The store shows CP932 this way too: a broken character is one mark, not a stray letter.
    if (encoding_ == Encoding::Cp932) return text::cp932::toUtf8Lossy(std::string(cell));
    std::string out;
    convert(cell, out, true);
    return out;
}

bool holdsAtSign(std::string_view cell, Encoding encoding, bool raw) {
    const std::size_t at = cell.find('@');
    if (at == std::string_view::npos) return false;
    if (!raw || encoding != Encoding::Cp932) return true;
    for (std::size_t i = 0; i < cell.size(); ++i) {
        const auto c = static_cast<unsigned char>(cell[i]);
        if (c == '@') return true;
        if (text::cp932::isLeadByte(c) && i + 1 < cell.size()) ++i;
    }
    return false;
}

}  // namespace recipients
