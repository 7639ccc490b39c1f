// CP932 bytes: stepping, trimming and case-insensitive comparison match plain models;
// conversion round-trips at the Unicode level (several CP932 codes share one Unicode
// character, so the bytes themselves need not come back).
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "fuzz_support.h"
#include "text/cp932.h"

using fuzzsupport::check;
using fuzzsupport::checkEqual;
namespace cp932 = text::cp932;

namespace {

const std::string kReplacement = "\xEF\xBF\xBD";

bool isLead(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string flipEveryLetterByte(std::string s) {
    for (char& c : s) {
        if (c >= 'a' && c <= 'z') {
            c = static_cast<char>(c - 'a' + 'A');
        } else if (c >= 'A' && c <= 'Z') {
            c = static_cast<char>(c - 'A' + 'a');
        }
    }
    return s;
}

bool modelEqualsIgnoreCase(const std::string& a, const std::string& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size();) {
        if (isLead(static_cast<unsigned char>(a[i])) && i + 1 < a.size()) {
            if (a[i] != b[i] || a[i + 1] != b[i + 1]) return false;
            i += 2;
        } else {
            if (foldAscii(a[i]) != foldAscii(b[i])) return false;
            ++i;
        }
    }
    return true;
}

std::string modelTrim(const std::string& s) {
    std::size_t begin = 0;
    std::size_t end = s.size();
    while (begin < end && static_cast<unsigned char>(s[begin]) <= 32) ++begin;
    while (end > begin && static_cast<unsigned char>(s[end - 1]) <= 32) --end;
    return s.substr(begin, end - begin);
}

void checkStepping(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(s[i]);
        check(cp932::isLeadByte(c) == isLead(c), "isLeadByte disagrees with 0x81-0x9F/0xE0-0xFC");
        const std::size_t expected = (isLead(c) && i + 1 < s.size()) ? 2 : 1;
        check(cp932::charLength(s, i) == expected, "charLength is wrong");
    }
}

void checkComparison(const std::string& a, const std::string& b) {
    check(cp932::equalsIgnoreCase(a, b) == modelEqualsIgnoreCase(a, b),
          "equalsIgnoreCase disagrees with the model");
    check(cp932::equalsIgnoreCase(a, b) == cp932::equalsIgnoreCase(b, a),
          "equalsIgnoreCase is not symmetric");
    check(cp932::equalsIgnoreCase(a, a), "equalsIgnoreCase is not reflexive");
    check(cp932::equalsIgnoreCase(a, fuzzsupport::flipAsciiCase(a)),
          "equalsIgnoreCase does not ignore ASCII case");
}

void checkConversion(const std::string& bytes) {
    const std::optional<std::string> utf8 = cp932::toUtf8(bytes);
    const std::string lossy = cp932::toUtf8Lossy(bytes);
    check(fuzzsupport::isValidUtf8(lossy), "toUtf8Lossy gives invalid UTF-8");
    if (utf8) {
        check(fuzzsupport::isValidUtf8(*utf8), "toUtf8 gives invalid UTF-8");
        checkEqual(*utf8, lossy, "toUtf8Lossy differs from a successful toUtf8");
        const std::optional<std::string> back = cp932::fromUtf8(*utf8);
        check(back.has_value(), "a character read from CP932 cannot be written back");
        const std::optional<std::string> again = cp932::toUtf8(*back);
        check(again.has_value(), "CP932 written by fromUtf8 does not read back");
        checkEqual(*utf8, *again, "CP932 -> UTF-8 -> CP932 -> UTF-8 changed the text");
    } else {
        check(lossy.find(kReplacement) != std::string::npos,
              "toUtf8 failed but toUtf8Lossy replaced nothing");
    }
    bool ascii = true;
    for (unsigned char c : bytes) ascii = ascii && c < 0x80;
    if (ascii) {
        check(utf8 && *utf8 == bytes, "ASCII bytes (NUL included) do not convert to themselves");
    }

    // The same bytes taken as UTF-8 from a field.
    const std::optional<std::string> encoded = cp932::fromUtf8(bytes);
    if (!fuzzsupport::isValidUtf8(bytes)) {
        check(!encoded.has_value(), "fromUtf8 accepted invalid UTF-8");
    }
    if (encoded) {
        const std::optional<std::string> decoded = cp932::toUtf8(*encoded);
        check(decoded.has_value(), "fromUtf8 wrote bytes that toUtf8 refuses");
        const std::optional<std::string> reencoded = cp932::fromUtf8(*decoded);
        check(reencoded && *reencoded == *encoded, "fromUtf8 output is not a fixed point");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    checkStepping(bytes);

    const std::string trimmed = cp932::trim(bytes);
    checkEqual(modelTrim(bytes), trimmed, "trim removed other than bytes 0..32 at the ends");

    const std::size_t half = size / 2;
    checkComparison(bytes.substr(0, half), bytes.substr(half));
    checkComparison(bytes, fuzzsupport::flipAsciiCase(bytes));
    // Byte-wise flip: trail bytes that are letters change too, and must then compare unequal.
    checkComparison(bytes, flipEveryLetterByte(bytes));

    checkConversion(bytes);
    return 0;
}
