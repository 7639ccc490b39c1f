#include "recipients/address_check.h"

#include <string>

#include "store/cp932.h"
#include "store/typed_recipients.h"

namespace recipients {
namespace {

constexpr std::string_view kIdeographicSpace = "\xE3\x80\x80";

bool isAscii(std::string_view text) {
    for (char c : text) {
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    }
    return true;
}

}  // namespace

std::string_view trimBlanks(std::string_view utf8) {
    for (;;) {
        const std::size_t before = utf8.size();
        while (!utf8.empty() && static_cast<unsigned char>(utf8.front()) <= 0x20)
            utf8.remove_prefix(1);
        while (!utf8.empty() && static_cast<unsigned char>(utf8.back()) <= 0x20)
            utf8.remove_suffix(1);
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
    const std::size_t at = address.find('@');
    if (at == std::string_view::npos || address.find('@', at + 1) != std::string_view::npos)
        return AddressFault::AtSign;
    if (at == 0) return AddressFault::NoLocalPart;
    const std::string_view domain = address.substr(at + 1);
    const std::size_t dot = domain.find('.');
    if (dot == std::string_view::npos || domain.front() == '.' || domain.back() == '.')
        return AddressFault::NoDomainDot;
    for (char ch : address) {
        const auto c = static_cast<unsigned char>(ch);
        if (c == ' ' || c == '\t') return AddressFault::Blank;
        if (c < 0x20 || c == 0x7F) return AddressFault::Control;
        if (c == ',') return AddressFault::Comma;
        if (c == '"') return AddressFault::Quote;
        if (c == '<' || c == '>') return AddressFault::AngleBracket;
    }
    if (address.find(kIdeographicSpace) != std::string_view::npos) return AddressFault::Blank;

    // What the store would hold: the same bytes for ASCII, else the CP932 form.
    std::string converted;
    std::string_view stored = address;
    if (!isAscii(address)) {
        auto cp932 = store::cp932::fromUtf8(std::string(address));
        if (!cp932) return AddressFault::NotShiftJis;
        converted = std::move(*cp932);
        stored = converted;
    }
    if (stored.size() > kMaxAddressBytes) return AddressFault::TooLong;
    if (store::recipients::checkTypedLines(stored, "0", 0).refused != 0)
        return AddressFault::NotReadBack;
    return AddressFault::None;
}

}  // namespace recipients
