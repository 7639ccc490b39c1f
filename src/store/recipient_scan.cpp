#include "store/recipient_scan.h"

#include <cstdint>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "store/comma_text.h"
#include "text/cp932_char.h"
#include "text/line_steps.h"

namespace store::recipients {
namespace {

using Byte = unsigned char;

using text::cp932::isLeadByte;

// Bytes that may end a field, start a quoted one, or end the line or the text.
constexpr bool isSpecial(Byte c) {
    return c <= 0x20 || c == ',' || c == '"';
}

constexpr bool endsLine(Byte c) {
    return c == '\r' || c == '\n' || c == '\0';
}

// Blanks between fields; CR and LF end the line instead.
const Byte* skipBlanks(const Byte* p, const Byte* e) {
    while (p < e && text::cp932::isFieldBlank(*p) && !text::lines::isLineEnd(char(*p))) ++p;
    return p;
}

// Bit i tells whether p[i] is special, for the 64 bytes from p, or for the n < 64 bytes
// before the end of the text.
std::uint64_t specialMask(const Byte* p, std::size_t n) {
    std::uint64_t mask = 0;
#if defined(__SSE2__)
    if (n >= 64) {
        const __m128i bias = _mm_set1_epi8(static_cast<char>(0x80));
        const __m128i limit = _mm_set1_epi8(static_cast<char>(0x21 ^ 0x80));
        const __m128i comma = _mm_set1_epi8(',');
        const __m128i quote = _mm_set1_epi8('"');
        for (int i = 0; i < 4; ++i) {
            const __m128i v = _mm_loadu_si128(reinterpret_cast<const __m128i*>(p + 16 * i));
            const __m128i low = _mm_cmplt_epi8(_mm_xor_si128(v, bias), limit);
            const __m128i mark =
                _mm_or_si128(low, _mm_or_si128(_mm_cmpeq_epi8(v, comma), _mm_cmpeq_epi8(v, quote)));
            const auto bits = static_cast<unsigned>(_mm_movemask_epi8(mark));
            mask |= static_cast<std::uint64_t>(bits) << (16 * i);
        }
        return mask;
    }
#endif
    if (n > 64) n = 64;
    for (std::size_t i = 0; i < n; ++i) {
        if (isSpecial(p[i])) mask |= std::uint64_t{1} << i;
    }
    return mask;
}

int lowestBit(std::uint64_t x) {
#if defined(__GNUC__)
    return __builtin_ctzll(x);
#else
    int n = 0;
    while ((x & 1) == 0) {
        x >>= 1;
        ++n;
    }
    return n;
#endif
}

// Group numbers are a few digits: a plain loop beats a call to memcmp.
bool equals(const Byte* from, const Byte* to, std::string_view s) {
    if (static_cast<std::size_t>(to - from) != s.size()) return false;
    for (char c : s) {
        if (*from++ != static_cast<Byte>(c)) return false;
    }
    return true;
}

}  // namespace

LineSplit splitLine(std::string_view line, std::string_view group) {
    LineSplit split;
    commatext::FieldScanner fields(line);
    std::string_view field;
    if (!fields.next(field)) return split;
    split.fields = 1;
    if (!fields.next(field)) return split;
    split.fields = 2;
    split.secondIsGroup = field == group;
    if (fields.next(field)) split.fields = 3;
    return split;
}

ListScanner::ListScanner(std::string_view text, std::string_view group)
    : pos_(reinterpret_cast<const Byte*>(text.data())),
      end_(reinterpret_cast<const Byte*>(text.data()) + text.size()),
      group_(group),
      block_(pos_) {
    mask_ = specialMask(block_, static_cast<std::size_t>(end_ - block_));
}

// Special bytes are marked 64 at a time; the lines of a block are then split by walking
// its marks.
inline const unsigned char* ListScanner::nextSpecial(const Byte* p) {
    const std::size_t offset = static_cast<std::size_t>(p - block_);
    if (offset < 64) {
        const std::uint64_t marks = mask_ >> offset;
        if (marks != 0) return p + lowestBit(marks);
    }
    return nextSpecialInLaterBlocks(p);
}

const unsigned char* ListScanner::nextSpecialInLaterBlocks(const Byte* p) {
    while (p < end_) {
        const std::size_t offset = static_cast<std::size_t>(p - block_);
        if (offset < 64) {
            const std::uint64_t marks = mask_ >> offset;
            if (marks != 0) return p + lowestBit(marks);
            p = block_ + 64;
            if (p >= end_) break;
        }
        block_ = p;
        mask_ = specialMask(block_, static_cast<std::size_t>(end_ - block_));
    }
    return end_;
}

// Where the line's text ends: its CR or LF, the NUL that ends the text, or the end.
const unsigned char* ListScanner::findLineEnd(const Byte* p) {
    for (;;) {
        p = nextSpecial(p);
        if (p == end_ || endsLine(*p)) return p;
        ++p;
    }
}

// Splits the line at pos_ in steps from one special byte to the next. A field is settled
// when its first special byte is a delimiter that no lead byte precedes: the scanner by
// character would then stop at the same byte. Anything else is left to splitLine.
bool ListScanner::quickSplit(ListLine& line, const Byte*& end, const Byte*& comma) {
    const Byte* const e = end_;
    const Byte* q = skipBlanks(pos_, e);
    for (int field = 1;; ++field) {
        if (q == e || endsLine(*q)) {
            end = q;
            return true;
        }
        if (field == 3) {
            line.split.fields = 3;
            end = findLineEnd(q);
            return true;
        }
        if (*q == '"') return false;
        const Byte* d = nextSpecial(q);
        if (d < e && *d == '"') return false;
        if (d > q && isLeadByte(d[-1])) return false;
        line.split.fields = field;
        if (field == 2) {
            line.split.secondIsGroup = equals(q, d, group_);
        } else if (d < e && *d == ',') {
            // The first comma that is a character of its own.
            comma = d;
        }
        q = skipBlanks(d, e);
        if (q < e && *q == ',') q = skipBlanks(q + 1, e);
    }
}

// The usual line, "address,number" and its line end, settled by two special bytes.
bool ListScanner::plainSplit(ListLine& line, const Byte*& end, const Byte*& comma) {
    const Byte* const d = nextSpecial(pos_);
    if (d == end_ || *d != ',' || (d > pos_ && isLeadByte(d[-1]))) return false;
    const Byte* const n = nextSpecial(d + 1);
    if (n == end_ || n == d + 1 || !text::lines::isLineEnd(char(*n)) || isLeadByte(n[-1]))
        return false;
    line.split.fields = 2;
    line.split.secondIsGroup = equals(d + 1, n, group_);
    comma = d;
    end = n;
    return true;
}

const char* ListScanner::position() const {
    return reinterpret_cast<const char*>(pos_);
}

bool ListScanner::next(ListLine& line) {
    if (pos_ == end_ || *pos_ == '\0') return false;
    line = ListLine();
    const Byte* end = nullptr;
    const Byte* comma = nullptr;
    const bool quick = plainSplit(line, end, comma) || quickSplit(line, end, comma);
    if (!quick) end = findLineEnd(pos_);
    line.text =
        std::string_view(reinterpret_cast<const char*>(pos_), static_cast<std::size_t>(end - pos_));
    if (!quick) {
        line.split = splitLine(line.text, group_);
        comma = nullptr;
    }
    if (line.split.ofGroup()) {
        line.address = comma ? line.text.substr(0, static_cast<std::size_t>(comma - pos_))
                             : commatext::addressPart(line.text);
    }

    if (end == end_ || *end == '\0') {
        pos_ = end;
    } else if (*end == '\r' && end + 1 < end_ && end[1] == '\n') {
        line.endsInCrLf = true;
        pos_ = end + 2;
    } else {
        pos_ = end + 1;
    }
    return true;
}

void appendGroupRecipients(std::string_view block, std::string_view group, std::string& out,
                           bool& any) {
    ListScanner lines(block, group);
    ListLine line;
    while (lines.next(line)) {
        if (!line.split.ofGroup()) continue;
        if (any) out += '\n';
        any = true;
        out.append(line.address);
    }
}

std::string groupRecipients(std::string_view text, std::string_view group) {
    std::string recipients;
    bool any = false;
    appendGroupRecipients(text, group, recipients, any);
    return recipients;
}

namespace {

// keptLines for any receiver of the pieces; inlined, so that a string receiver costs no
// call per line.
template <typename Out>
void forEachKeptPiece(std::string_view text, std::string_view group, Out&& out) {
    const char* runStart = nullptr;
    const char* runEnd = nullptr;
    auto flushRun = [&] {
        if (runStart != runEnd) out(std::string_view(runStart, runEnd - runStart));
        runStart = runEnd = nullptr;
    };
    auto keep = [&](const char* from, std::size_t size, bool crLf) {
        if (crLf) {
            if (from != runEnd) {
                flushRun();
                runStart = from;
            }
            runEnd = from + size + 2;
        } else {
            flushRun();
            out(std::string_view(from, size));
            out("\r\n");
        }
    };

    // The usual line, "address,number" and its line end, is settled here from the marks of
    // special bytes kept in locals (plainSplit's test); any other line goes through a
    // ListScanner started at it.
    const Byte* p = reinterpret_cast<const Byte*>(text.data());
    const Byte* const e = p + text.size();
    const Byte* base = p;
    std::uint64_t mask = specialMask(base, static_cast<std::size_t>(e - base));
    auto nextSpecial = [&](const Byte* q) {
        for (;;) {
            const std::size_t offset = static_cast<std::size_t>(q - base);
            if (offset < 64) {
                const std::uint64_t marks = mask >> offset;
                if (marks != 0) return q + lowestBit(marks);
                q = base + 64;
            }
            if (q >= e) return e;
            base = q;
            mask = specialMask(base, static_cast<std::size_t>(e - base));
        }
    };
    while (p < e) {
        const Byte* const d = nextSpecial(p);
        if (d < e && *d == ',' && !(d > p && isLeadByte(d[-1]))) {
            const Byte* const n = nextSpecial(d + 1);
            if (n < e && n != d + 1 && text::lines::isLineEnd(char(*n)) && !isLeadByte(n[-1])) {
                const bool crLf = *n == '\r' && n + 1 < e && n[1] == '\n';
                if (!equals(d + 1, n, group)) {
                    keep(reinterpret_cast<const char*>(p), static_cast<std::size_t>(n - p), crLf);
                }
                p = n + (crLf ? 2 : 1);
                continue;
            }
        }
        const char* const from = reinterpret_cast<const char*>(p);
        ListScanner lines(std::string_view(from, static_cast<std::size_t>(e - p)), group);
        ListLine line;
        if (!lines.next(line)) break;
        if (line.split.keptOnRewrite()) keep(line.text.data(), line.text.size(), line.endsInCrLf);
        p = reinterpret_cast<const Byte*>(lines.position());
    }
    flushRun();
}

}  // namespace

void keptLines(std::string_view text, std::string_view group,
               const std::function<void(std::string_view)>& out) {
    forEachKeptPiece(text, group, out);
}

void appendKeptLines(std::string_view text, std::string_view group, std::string& out) {
    forEachKeptPiece(text, group, [&out](std::string_view bytes) { out.append(bytes); });
}

}  // namespace store::recipients
