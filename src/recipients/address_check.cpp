#include "recipients/address_check.h"

#include "store/typed_recipients.h"
#include "text/cp932_char.h"

namespace recipients {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

enum ByteClass : unsigned char {
    kNonAscii = 1,
    kBlank = 2,
    kControl = 4,
    kComma = 8,
    kQuote = 16,
    kAngle = 32
};

struct ByteClasses {
    unsigned char of[256] = {};
};

constexpr ByteClasses byteClasses() {
    ByteClasses t;
    for (unsigned c = 0; c < 256; ++c) {
        unsigned char k = 0;
        if (c >= 0x80) k |= kNonAscii;
        if (c == ' ' || c == '\t') k |= kBlank;
        if ((c < 0x20 && c != '\t') || c == 0x7F) k |= kControl;
        if (c == ',') k |= kComma;
        if (c == '"') k |= kQuote;
        if (c == '<' || c == '>') k |= kAngle;
        t.of[c] = k;
    }
    return t;
}

constexpr ByteClasses kByteClasses = byteClasses();

}  // namespace

std::string_view trimBlanks(std::string_view utf8) {
    for (;;) {
        const std::size_t before = utf8.size();
        utf8 = text::cp932::trimmed(utf8);
        if (utf8.substr(0, 3) == kIdeographicSpace) utf8.remove_prefix(3);
        if (utf8.size() >= 3 && utf8.substr(utf8.size() - 3) == kIdeographicSpace)
            utf8.remove_suffix(3);
        if (utf8.size() == before) return utf8;
    }
}

std::string_view extractAddress(std::string_view cell) {
    cell = trimBlanks(cell);
    if (cell.empty() || cell.back() != '>') return cell;
    const std::size_t open = cell.rfind('<');
    if (open == std::string_view::npos) return cell;
    return trimBlanks(cell.substr(open + 1, cell.size() - open - 2));
}

AddressFault checkAddress(std::string_view address) {
    if (address.empty()) return AddressFault::Empty;
    // One pass for the byte rules, a table look-up a byte; their order of precedence is
    // applied afterwards.
    unsigned seen = 0;
    for (const char c : address) seen |= kByteClasses.of[static_cast<unsigned char>(c)];
    const bool ascii = !(seen & kNonAscii);
    const bool blank = seen & kBlank, control = seen & kControl, comma = seen & kComma;
    const bool quote = seen & kQuote, angle = seen & kAngle;
    const std::size_t at = address.find('@');
    const std::size_t ats = at == std::string_view::npos                          ? 0
                            : address.find('@', at + 1) == std::string_view::npos ? 1
                                                                                  : 2;
    if (ats != 1) return AddressFault::AtSign;
    if (at == 0) return AddressFault::NoLocalPart;
    const std::string_view domain = address.substr(at + 1);
    if (domain.find('.') == std::string_view::npos || domain.front() == '.' || domain.back() == '.')
        return AddressFault::NoDomainDot;
    if (blank || (!ascii && address.find(kIdeographicSpace) != std::string_view::npos))
        return AddressFault::Blank;
    if (comma) return AddressFault::Comma;
    if (quote) return AddressFault::Quote;
    if (angle) return AddressFault::AngleBracket;
    if (control) return AddressFault::Control;
    if (!ascii) return AddressFault::NonAscii;
    if (address.size() > kMaxAddressBytes) return AddressFault::TooLong;
    if (store::recipients::checkTypedLines(address, "0", 0).refused != 0)
        return AddressFault::NotReadBack;
    return AddressFault::None;
}

}  // namespace recipients
