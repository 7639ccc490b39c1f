// The eight-byte word scans against plain byte-by-byte forms of what they compute: read
// namespace plain to know what a fast scan does. Run over every byte value at every
// position of a word and over random text.
#include <gtest/gtest.h>

#include <iterator>
#include <limits>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "recipients/address_key.h"
#include "recipients/optout_gate.h"
#include "recipients/optout_key.h"
#include "recipients/optout_list.h"
#include "store/comma_text.h"
#include "store/typed_recipients.h"
#include "text/cp932_char.h"
#include "text/line_steps.h"

namespace plain {
namespace {

bool isLineEnd(char c) {
    return c == '\r' || c == '\n';
}

// The lines of a text, ending at CR LF, LF or CR; a final line end makes no empty line.
std::vector<std::string_view> lines(std::string_view text) {
    std::vector<std::string_view> found;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (!isLineEnd(text[i])) continue;
        found.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) found.push_back(text.substr(start));
    return found;
}

}  // namespace

// text/cp932_char.h asciiRunLength: bytes below 0x80 from `from` on.
std::size_t asciiRunLength(std::string_view s, std::size_t from) {
    std::size_t n = 0;
    while (from + n < s.size() && static_cast<unsigned char>(s[from + n]) < 0x80) ++n;
    return n;
}

// text/line_steps.h endOfLine: the first CR or LF from `pos` on, else the end.
std::size_t endOfLine(std::string_view text, std::size_t pos) {
    while (pos < text.size() && !isLineEnd(text[pos])) ++pos;
    return pos;
}

// recipients/address_key.h foldAsciiWord: each byte A-Z made a-z, the first byte lowest.
std::uint64_t foldAsciiWord(std::uint64_t word) {
    std::uint64_t folded = 0;
    for (int i = 0; i < 8; ++i) {
        auto c = static_cast<unsigned char>(word >> (8 * i));
        if (c >= 'A' && c <= 'Z') c = static_cast<unsigned char>(c - 'A' + 'a');
        folded |= std::uint64_t(c) << (8 * i);
    }
    return folded;
}

// recipients/address_key.h keyhash::of: the bytes taken eight at a time, the first lowest,
// the last word padded with zero bytes.
std::uint64_t keyHash(std::string_view text) {
    std::uint64_t hash = recipients::keyhash::kSeed;
    for (std::size_t i = 0; i < text.size(); i += 8) {
        std::uint64_t word = 0;
        for (std::size_t k = 0; k < 8 && i + k < text.size(); ++k)
            word |= std::uint64_t(static_cast<unsigned char>(text[i + k])) << (8 * k);
        hash = recipients::keyhash::mix(hash, word);
    }
    return recipients::keyhash::finish(hash, text.size());
}

// recipients/optout_key.h plainRun: bytes 0x21-0x7F (no comma or quote with stopAtComma),
// and the key hash of the run with A-Z made a-z.
std::size_t plainRunSize(std::string_view text, std::size_t from, bool stopAtComma) {
    std::size_t n = from;
    for (; n < text.size(); ++n) {
        const auto c = static_cast<unsigned char>(text[n]);
        if (c < 0x21 || c > 0x7F || (stopAtComma && (c == ',' || c == '"'))) break;
    }
    return n - from;
}

std::string foldAscii(std::string_view text) {
    std::string folded(text);
    for (char& c : folded)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return folded;
}

// The key of a CP932 address: full-width forms made ASCII, A-Z made a-z (never a trail
// byte), trimmed.
std::string cp932Key(std::string_view address) {
    std::string key;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (!text::cp932::isLeadByte(c) || i + 1 == address.size()) {
            key += foldAscii(address.substr(i, 1));
            continue;
        }
        const auto trail = static_cast<unsigned char>(address[++i]);
        const char half = recipients::optoutkey::halfWidthOf(c << 8 | trail);
        key += half ? foldAscii(std::string_view(&half, 1)) : address.substr(i - 1, 2);
    }
    return std::string(text::cp932::trimmed(key));
}

// recipients/optout_list.h OptOutList: the key of every line of the list.
std::set<std::string> optOutKeys(std::string_view cp932Lines) {
    std::set<std::string> keys;
    for (std::string_view line : lines(cp932Lines))
        if (std::string key = cp932Key(line); !key.empty()) keys.insert(key);
    return keys;
}

// store/comma_text.h split.
std::vector<std::string> split(std::string_view line) {
    line = line.substr(0, line.find('\0'));
    const auto blank = [&](std::size_t i) {
        return i < line.size() && static_cast<unsigned char>(line[i]) <= 0x20;
    };
    std::vector<std::string> fields;
    std::size_t i = 0;
    while (blank(i)) ++i;
    while (i < line.size()) {
        std::string field;
        const bool quoted = line[i] == '"';
        for (i += quoted; i < line.size();) {
            const std::size_t n = text::cp932::charLength(line, i);
            if (n == 1 && quoted && line[i] == '"') {
                const bool doubled = i + 1 < line.size() && line[i + 1] == '"';
                i += doubled ? 2 : 1;
                if (!doubled) break;
                field += '"';
                continue;
            }
            if (n == 1 && !quoted && (blank(i) || line[i] == ',')) break;
            field.append(line.substr(i, n));
            i += n;
        }
        fields.push_back(field);
        while (blank(i)) ++i;
        if (i < line.size() && line[i] == ',') ++i;
        while (blank(i)) ++i;
    }
    return fields;
}

// store/typed_recipients.h checkTypedLines: the numbers of the lines that would not read
// back as themselves once stored as "line,group".
std::vector<std::size_t> refusedLines(std::string_view fieldText, std::string_view group) {
    std::vector<std::size_t> refused;
    const std::vector<std::string_view> all = lines(fieldText);
    for (std::size_t number = 0; number < all.size(); ++number) {
        const std::string line(all[number]);
        if (line.empty()) continue;
        const std::string stored = line + "," + std::string(group);
        const std::vector<std::string> fields = split(stored);
        // The address part, up to the first comma by character, must be the line itself.
        std::size_t i = 0;
        while (i < stored.size() && stored[i] != ',' && stored[i] != '\0')
            i += text::cp932::charLengthInLine(stored, i);
        const bool readsBack = fields.size() == 2 && fields[1] == group && i == line.size();
        if (!readsBack) refused.push_back(number);
    }
    return refused;
}

}  // namespace plain

namespace {

namespace words = text::cp932::words;

// Texts of two words and a half: one odd byte in a run of letters of both cases, at each
// position; then random texts of the bytes the scans tell apart.
std::vector<std::string> inputs() {
    std::vector<std::string> texts;
    const std::string letters = "aZbYcXdWeVfUgThSiRjQkPl@";
    for (std::size_t at = 0; at < 20; ++at) {
        for (int value = 0; value < 256; ++value) {
            std::string text = letters;
            text[at] = static_cast<char>(value);
            texts.push_back(text);
        }
    }
    const std::string pool[] = {"a",        "Z",        "z",    "A",        "@",
                                ".",        "0",        ",",    "\"",       " ",
                                "\t",       "\r",       "\n",   "\r\n",     std::string(1, '\0'),
                                "\x7F",     "\x80",     "\x81", "\x82\x60", "\x82\x81",
                                "\x81\x97", "\x93\x5C", "\xE0", "\xFC",     "\xA0",
                                "\xFF",     "\x5B",     "\x60", "\x7B",     "\x40"};
    std::mt19937 random(32);
    for (int n = 0; n < 3000; ++n) {
        std::string text;
        for (std::size_t parts = random() % 24; parts > 0; --parts)
            text += random() % 8 ? pool[random() % std::size(pool)]
                                 : std::string(1, static_cast<char>(random()));
        texts.push_back(text);
    }
    return texts;
}

// recipients/optout_gate.h findListOptOuts: the lines whose address part or first field
// is listed.
std::size_t plainOptedOutLines(std::string_view gate, const std::set<std::string>& keys) {
    std::size_t opted = 0;
    for (std::size_t pos = 0; pos < gate.size();) {
        const std::size_t end = plain::endOfLine(gate, pos);
        const std::string_view line = gate.substr(pos, end - pos);
        const std::string_view address = store::commatext::addressPart(line);
        const std::vector<std::string> fields = plain::split(line);
        opted += (!address.empty() && keys.count(plain::cp932Key(address))) ||
                 (!fields.empty() && keys.count(plain::cp932Key(fields[0])));
        pos = text::lines::afterLineEnd(gate, end);
    }
    return opted;
}

}  // namespace

TEST(WordScans, AgreeWithTheirPlainFormsOnEveryByteAtEveryPosition) {
    const std::vector<std::string> texts = inputs();
    int failures = 0;
    const auto same = [&](const char* scan, const std::string& text, auto fast, auto plain) {
        if (fast == plain || ++failures > 5) return;
        ADD_FAILURE() << scan << " differs on " << testing::PrintToString(text);
    };
    for (std::size_t n = 0; n < texts.size(); ++n) {
        const std::string& s = texts[n];
        for (std::size_t from = 0; from <= std::min<std::size_t>(s.size(), 9); ++from) {
            same("asciiRunLength", s, text::cp932::asciiRunLength(s, from),
                 plain::asciiRunLength(s, from));
            same("endOfLine", s, text::lines::endOfLine(s, from), plain::endOfLine(s, from));
            for (bool comma : {false, true}) {
                const auto run = recipients::optoutkey::plainRun(s, from, comma);
                same("plainRun", s, run.size, plain::plainRunSize(s, from, comma));
                same("plainRun hash", s, run.hash,
                     plain::keyHash(plain::foldAscii(s.substr(from, run.size))));
            }
        }
        for (std::size_t i = 0; i + 8 <= s.size(); ++i) {
            const std::uint64_t w = words::load(s.data() + i);
            same("foldAsciiWord", s, recipients::foldAsciiWord(w), plain::foldAsciiWord(w));
            if (text::cp932::isAscii(s.substr(i, 8)))
                same("foldAsciiWord<Plain>", s,
                     recipients::foldAsciiWord<recipients::WordBytes::Plain>(w),
                     plain::foldAsciiWord(w));
        }
        same("keyhash::of", s,
             recipients::keyhash::of(s,
                                     [](std::uint64_t w) { return recipients::foldAsciiWord(w); }),
             plain::keyHash(plain::foldAscii(s)));
        same("split", s, store::commatext::split(s), plain::split(s));
        std::vector<std::size_t> refused;
        for (const auto& line :
             store::recipients::checkTypedLines(s, "1", std::numeric_limits<std::size_t>::max())
                 .first)
            refused.push_back(line.line);
        same("checkTypedLines", s, refused, plain::refusedLines(s, "1"));

        const recipients::OptOutList list(s);
        const std::set<std::string> keys = plain::optOutKeys(s);
        same("OptOutList size", s, list.size(), keys.size());
        const std::string gate = s + ",1\r\n" + texts[(n * 7919) % texts.size()] + "\n" + s;
        same("findListOptOuts", s, recipients::findListOptOuts(gate, list).lines,
             plainOptedOutLines(gate, keys));
    }
}
