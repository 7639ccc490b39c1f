#include "store/comma_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

namespace store::commatext {
namespace {

bool isBlank(char c) {
    unsigned char u = static_cast<unsigned char>(c);
    return u >= 1 && u <= 32;
}

constexpr bool isLeadByte(unsigned char c) {
    return (c >= 0x81 && c <= 0x9F) || (c >= 0xE0 && c <= 0xFC);
}

// What a byte does inside an unquoted field; a table, since this runs for every byte of a
// large list.txt.
enum ByteClass : unsigned char { kPlain, kStop, kLead };

struct ByteClasses {
    ByteClass of[256];
    constexpr ByteClasses() : of() {
        for (int c = 0; c < 256; ++c) {
            of[c] = c <= 32 || c == ',' ? kStop : isLeadByte(c) ? kLead : kPlain;
        }
    }
};
constexpr ByteClasses kClasses;

// A lead byte takes the next byte with it, unless that is the NUL that ends the line.
inline std::size_t charLength(std::string_view s, std::size_t i) {
    return isLeadByte(static_cast<unsigned char>(s[i])) && i + 1 < s.size() && s[i + 1] != '\0' ? 2
                                                                                                : 1;
}

constexpr std::uint64_t kOnes = 0x0101010101010101ULL;
constexpr std::uint64_t kHighs = 0x8080808080808080ULL;

// Some byte of the word is below n (n at most 128); exact for the "some" answer.
constexpr std::uint64_t hasByteBelow(std::uint64_t x, unsigned n) {
    return (x - kOnes * n) & ~x & kHighs;
}

bool isPlainAsciiWord(const unsigned char* p) {
    std::uint64_t x;
    std::memcpy(&x, p, sizeof x);
    return ((x & kHighs) | hasByteBelow(x, 33) | hasByteBelow(x ^ (kOnes * ','), 1)) == 0;
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
            // Quoted text is searched by byte, so cut the line at its NUL first.
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
            ByteClass cls = kClasses.of[data[pos_]];
            if (cls == kPlain) {
                ++pos_;
            } else if (cls == kLead) {
                pos_ += pos_ + 1 < size && data[pos_ + 1] != 0 ? 2 : 1;
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

// Quote and comma are below 0x40, never trail bytes: a byte search is exact here.
void FieldScanner::quotedField(std::string_view& field) {
    const std::size_t size = line_.size();
    std::size_t start = ++pos_;
    std::size_t close = line_.find('"', pos_);
    if (close == std::string_view::npos) {
        // No closing quote: the field runs to the end of the line.
        field = line_.substr(start);
        pos_ = size;
        return;
    }
    if (close + 1 >= size || line_[close + 1] != '"') {
        field = line_.substr(start, close - start);
        pos_ = close + 1;
        return;
    }
    unquoted_.clear();
    std::size_t from = start;
    for (;;) {
        if (close == std::string_view::npos) {
            unquoted_.append(line_.substr(from));
            pos_ = size;
            break;
        }
        if (close + 1 < size && line_[close + 1] == '"') {
            unquoted_.append(line_.substr(from, close + 1 - from));
            from = close + 2;
            close = line_.find('"', from);
            continue;
        }
        unquoted_.append(line_.substr(from, close - from));
        pos_ = close + 1;
        break;
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

std::string_view addressPart(std::string_view line) {
    for (std::size_t i = 0; i < line.size(); i += charLength(line, i)) {
        if (line[i] == ',') return line.substr(0, i);
        if (line[i] == '\0') break;
    }
    return {};
}

}  // namespace store::commatext
