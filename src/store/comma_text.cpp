#include "store/comma_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "text/cp932_char.h"

namespace store::commatext {
namespace {

using namespace text::cp932;
using namespace text::cp932::words;

bool isBlank(char c) {
    return isFieldBlank(static_cast<unsigned char>(c));
}

// What a byte does inside an unquoted field.
constexpr ByteKinds kKinds = byteKinds([](unsigned char c) { return c <= 32 || c == ','; });

bool isPlainAsciiWord(const unsigned char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return ((x & kHighs) | hasByteBelow(x, 33) | hasByte(x, ',')) == 0;
}

}  // namespace

FieldScanner::FieldScanner(std::string_view line) : line_(line) {
    while (pos_ < line_.size() && isBlank(line_[pos_])) ++pos_;
}

bool FieldScanner::next(std::string_view& field) {
    // A NUL ends the line; the unquoted scan and the blank skipping stop at it too.
    if (pos_ >= line_.size() || line_[pos_] == '\0') return false;

    if (line_[pos_] == '"') {
        if (!nulChecked_) {
            // A quoted field may run to the line's end, so cut the line at its NUL first.
            line_ = line_.substr(0, std::min(line_.find('\0', pos_), line_.size()));
            nulChecked_ = true;
        }
        quotedField(field);
    } else {
        const unsigned char* data = reinterpret_cast<const unsigned char*>(line_.data());
        const std::size_t size = line_.size();
        std::size_t start = pos_;
        // Eight plain ASCII bytes at a time: none may end the field or start a
        // double-byte character. The byte loop below settles the rest exactly.
        while (pos_ + 8 <= size && isPlainAsciiWord(data + pos_)) pos_ += 8;
        for (;;) {
            if (pos_ >= size) break;
            const ByteKind kind = kKinds.of[data[pos_]];
            if (kind == ByteKind::Plain) {
                ++pos_;
            } else if (kind == ByteKind::Lead) {
                pos_ += charLengthInLine(line_, pos_);
            } else {
                break;
            }
        }
        field = line_.substr(start, pos_ - start);
    }

    const std::size_t size = line_.size();
    while (pos_ < size && isBlank(line_[pos_])) ++pos_;
    if (pos_ < size && line_[pos_] == ',') {
        ++pos_;
        while (pos_ < size && isBlank(line_[pos_])) ++pos_;
    }
    return true;
}

// Steps by character as the unquoted scan does: a lead byte takes the next byte, even a
// quote, unless the line ends there. The line is already cut at its NUL.
void FieldScanner::quotedField(std::string_view& field) {
    const std::size_t size = line_.size();
    const char* const data = line_.data();
    const std::size_t start = ++pos_;
    std::size_t end = size;  // of the quoted text; the line's end when no quote closes it
    bool doubled = false;
    for (std::size_t i = start; i < size;) {
        const unsigned char c = static_cast<unsigned char>(data[i]);
        if (isLeadByte(c)) {
            i += charLength(line_, i);
        } else if (c != '"') {
            ++i;
        } else if (i + 1 < size && data[i + 1] == '"') {
            doubled = true;
            i += 2;
        } else {
            end = i;
            break;
        }
    }
    pos_ = end < size ? end + 1 : size;
    if (!doubled) {
        field = line_.substr(start, end - start);
        return;
    }
    // A doubled quote stands for one quote character. Every quote that is a character of
    // its own before `end` is the first of such a pair.
    unquoted_.clear();
    for (std::size_t k = start; k < end;) {
        const std::size_t length = charLength(line_.substr(0, end), k);
        unquoted_.append(data + k, length);
        k += length;
        if (length == 1 && data[k - 1] == '"') ++k;
    }
    field = unquoted_;
}

std::vector<std::string> split(std::string_view line) {
    std::vector<std::string> fields;
    FieldScanner scanner(line);
    std::string_view field;
    while (scanner.next(field)) fields.emplace_back(field);
    return fields;
}

namespace {

// The address part's end; whether it is plain only when asked, since the domain count
// and the recipient scans run this over every line of a large list.
template <bool kJudgePlain>
AddressEnd findAddressEnd(std::string_view line) {
    AddressEnd end;
    for (std::size_t i = 0; i < line.size(); i += charLengthInLine(line, i)) {
        const auto c = static_cast<unsigned char>(line[i]);
        if (c == ',') {
            end.comma = i;
            break;
        }
        if (c == '\0') break;
        if (kJudgePlain && (c <= 0x20 || c == '"')) end.plain = false;
    }
    return end;
}

}  // namespace

AddressEnd addressEnd(std::string_view line) {
    return findAddressEnd<true>(line);
}

std::string_view addressPart(std::string_view line) {
    const std::size_t comma = findAddressEnd<false>(line).comma;
    return comma == std::string_view::npos ? std::string_view() : line.substr(0, comma);
}

}  // namespace store::commatext
