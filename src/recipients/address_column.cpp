#include "recipients/address_column.h"

#include <algorithm>
#include <vector>

#include "recipients/address_check.h"
#include "text/cp932_char.h"
#include "text/half_width.h"

namespace recipients {
namespace {

// U+FF61..U+FF9D, the half-width katakana and punctuation, as their full-width forms.
constexpr char32_t kHalfwidthKana[] = {
    0x3002, 0x300C, 0x300D, 0x3001, 0x30FB, 0x30F2, 0x30A1, 0x30A3, 0x30A5, 0x30A7, 0x30A9,
    0x30E3, 0x30E5, 0x30E7, 0x30C3, 0x30FC, 0x30A2, 0x30A4, 0x30A6, 0x30A8, 0x30AA, 0x30AB,
    0x30AD, 0x30AF, 0x30B1, 0x30B3, 0x30B5, 0x30B7, 0x30B9, 0x30BB, 0x30BD, 0x30BF, 0x30C1,
    0x30C4, 0x30C6, 0x30C8, 0x30CA, 0x30CB, 0x30CC, 0x30CD, 0x30CE, 0x30CF, 0x30D2, 0x30D5,
    0x30D8, 0x30DB, 0x30DE, 0x30DF, 0x30E0, 0x30E1, 0x30E2, 0x30E4, 0x30E6, 0x30E8, 0x30E9,
    0x30EA, 0x30EB, 0x30EC, 0x30ED, 0x30EF, 0x30F3};

const char* const kHeaders[] = {
    "メールアドレス",      "メール",         "e-mail",       "email",      "mail",
    "e-mail address",      "email address",  "mail address", "電子メール", "電子メールアドレス",
    "電子メール アドレス", "e-mailアドレス",
};

std::vector<char32_t> decode(std::string_view utf8) {
    std::vector<char32_t> out;
    for (std::size_t i = 0; i < utf8.size();) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        const int more = c < 0x80 ? 0 : c < 0xE0 ? 1 : c < 0xF0 ? 2 : 3;
        char32_t cp = more == 0 ? c : more == 1 ? c & 0x1F : more == 2 ? c & 0x0F : c & 0x07;
        for (int k = 1; k <= more && i + k < utf8.size(); ++k)
            cp = (cp << 6) | (static_cast<unsigned char>(utf8[i + k]) & 0x3F);
        out.push_back(cp);
        i += std::size_t(more) + 1;
    }
    return out;
}

void encode(char32_t cp, std::string& out) {
    if (cp < 0x80) {
        out += char(cp);
    } else if (cp < 0x800) {
        out += char(0xC0 | (cp >> 6));
        out += char(0x80 | (cp & 0x3F));
    } else if (cp < 0x10000) {
        out += char(0xE0 | (cp >> 12));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    } else {
        out += char(0xF0 | (cp >> 18));
        out += char(0x80 | ((cp >> 12) & 0x3F));
        out += char(0x80 | ((cp >> 6) & 0x3F));
        out += char(0x80 | (cp & 0x3F));
    }
}

// Katakana that a voiced sound mark turns into the next code point; the ha row also takes
// the semi-voiced mark (two on).
bool takesVoicedMark(char32_t cp) {
    return (cp >= 0x30AB && cp <= 0x30C8 && cp != 0x30C3) || cp == 0x30A6 ||
           (cp >= 0x30CF && cp <= 0x30DB && (cp - 0x30CF) % 3 == 0);
}
bool takesSemiVoicedMark(char32_t cp) {
    return cp >= 0x30CF && cp <= 0x30DB && (cp - 0x30CF) % 3 == 0;
}

}  // namespace

std::string foldHeader(std::string_view utf8) {
    std::vector<char32_t> folded;
    for (char32_t cp : decode(text::toHalfWidth(trimBlanks(utf8)))) {
        if (cp >= 0xFF61 && cp <= 0xFF9D) {
            cp = kHalfwidthKana[cp - 0xFF61];
        } else if (cp == 0xFF9E || cp == 0xFF9F) {
            const bool voiced = cp == 0xFF9E;
            if (!folded.empty() &&
                (voiced ? takesVoicedMark(folded.back()) : takesSemiVoicedMark(folded.back()))) {
                // ウ with the mark is ヴ, four code points on.
                folded.back() += folded.back() == 0x30A6 ? 0x4E : voiced ? 1 : 2;
                continue;
            }
            cp = voiced ? 0x3099 : 0x309A;
        }
        if (cp < 0x80) cp = char32_t(text::cp932::foldAscii(char(cp)));
        folded.push_back(cp);
    }
    std::string out;
    for (char32_t cp : folded) encode(cp, out);
    return out;
}

bool isAddressHeader(std::string_view utf8) {
    const std::string key = foldHeader(utf8);
    return std::any_of(std::begin(kHeaders), std::end(kHeaders),
                       [&](const char* header) { return key == header; });
}

ColumnChoice chooseColumn(const CsvTable& table, Encoding encoding, bool raw) {
    ColumnChoice choice;
    if (table.rowCount() == 0) return choice;
    for (std::size_t c = 0; c < table.fieldCount(0); ++c) {
        const std::string_view cell = table.field(0, c);
        if (isAddressHeader(raw ? CellDecoder(encoding).toUtf8Lossy(cell) : std::string(cell)))
            return {c, true};
    }
    std::vector<std::size_t> atCounts;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        const std::size_t fields = table.fieldCount(r);
        if (fields > atCounts.size()) atCounts.resize(fields, 0);
        for (std::size_t c = 0; c < fields; ++c)
            atCounts[c] += holdsAtSign(table.field(r, c), encoding, raw);
    }
    for (std::size_t c = 1; c < atCounts.size(); ++c) {
        if (atCounts[c] > atCounts[choice.column]) choice.column = c;
    }
    return choice;
}

}  // namespace recipients
