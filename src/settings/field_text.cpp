#include "settings/field_text.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <utility>

#include "text/cp932.h"

namespace fieldtext {

QString fromStore(const std::string& cp932) {
    return QString::fromStdString(text::cp932::toUtf8Lossy(cp932));
}

namespace {

// ASCII runs shorter than this go to the converter with their neighbours, so that mixed
// text does not cost one converter per word.
constexpr std::size_t kMinAsciiRun = 256;

using text::cp932::asciiRunLength;

// Where the next ASCII run of at least kMinAsciiRun bytes (or the text's last run) starts
// at or after pos, and its length.
std::pair<std::size_t, std::size_t> nextLongAsciiRun(std::string_view s, std::size_t pos,
                                                     bool characterWise) {
    std::size_t end = pos;
    while (end < s.size()) {
        if (text::cp932::isAsciiByte(s[end])) {
            const std::size_t run = asciiRunLength(s, end);
            if (run >= kMinAsciiRun || end + run == s.size()) return {end, run};
            end += run;
        } else {
            // Stepping by CP932 character keeps a trail byte in the ASCII range with its lead.
            const bool pair = characterWise && end + 1 < s.size() &&
                              text::cp932::isLeadByte(static_cast<unsigned char>(s[end]));
            end += pair ? 2 : 1;
        }
    }
    return {s.size(), 0};
}

}  // namespace

std::string utf8FromStore(std::string&& cp932) {
    const auto ascii = std::find_if(cp932.begin(), cp932.end(),
                                    [](char c) { return !text::cp932::isAsciiByte(c); });
    if (ascii == cp932.end()) return std::move(cp932);
    return utf8FromStore(static_cast<const std::string&>(cp932));
}

std::string utf8FromStore(const std::string& cp932) {
    // ASCII reads the same in both encodings, and a recipient list of a million addresses
    // is nearly all ASCII: copy long runs of it and convert only the rest. A run starts on
    // a character boundary, so a trail byte in the ASCII range stays with its lead byte.
    std::string out;
    out.reserve(cp932.size() + cp932.size() / 8);
    std::size_t pos = 0;
    while (pos < cp932.size()) {
        const auto [end, run] = nextLongAsciiRun(cp932, pos, true);
        if (end > pos) out += text::cp932::toUtf8Lossy(cp932.substr(pos, end - pos));
        out.append(cp932, end, run);
        pos = end + run;
    }
    return out;
}

std::optional<std::string> toStore(const QString& text) {
    return text::cp932::fromUtf8(text.toStdString());
}

std::optional<std::string> toStoreFromUtf8(std::string_view utf8) {
    // The same ASCII shortcut as for showing: a UTF-8 sequence never holds an ASCII byte,
    // so cutting at ASCII runs never splits a character, and a broken sequence still fails.
    std::string out;
    out.reserve(utf8.size());
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        const auto [end, run] = nextLongAsciiRun(utf8, pos, false);
        if (end > pos) {
            auto part = text::cp932::fromUtf8(std::string(utf8.substr(pos, end - pos)));
            if (!part) return std::nullopt;
            out += *part;
        }
        out.append(utf8.substr(end, run));
        pos = end + run;
    }
    return out;
}

}  // namespace fieldtext
