#include "settings/field_text.h"

#include <algorithm>

#include "store/cp932.h"

namespace fieldtext {

QString fromStore(const std::string& cp932) {
    return QString::fromStdString(store::cp932::toUtf8Lossy(cp932));
}

namespace {

// ASCII runs shorter than this go to the converter with their neighbours, so that mixed
// text does not cost one converter per word.
constexpr std::size_t kMinAsciiRun = 256;

bool isAscii(char c) {
    return static_cast<unsigned char>(c) < 0x80;
}

std::size_t asciiRunLength(const std::string& s, std::size_t from) {
    std::size_t end = from;
    while (end < s.size() && isAscii(s[end])) ++end;
    return end - from;
}

}  // namespace

std::string utf8FromStore(std::string&& cp932) {
    const auto ascii = std::find_if(cp932.begin(), cp932.end(), [](char c) { return !isAscii(c); });
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
        std::size_t end = pos;
        std::size_t run = 0;
        while (end < cp932.size()) {
            if (isAscii(cp932[end])) {
                run = asciiRunLength(cp932, end);
                if (run >= kMinAsciiRun || end + run == cp932.size()) break;
                end += run;
                run = 0;
            } else {
                end += store::cp932::charLength(cp932, end);
            }
        }
        if (end > pos) out += store::cp932::toUtf8Lossy(cp932.substr(pos, end - pos));
        out.append(cp932, end, run);
        pos = end + run;
    }
    return out;
}

std::optional<std::string> toStore(const QString& text) {
    return store::cp932::fromUtf8(text.toStdString());
}

std::optional<std::string> toStoreFromUtf8(const std::string& utf8) {
    return store::cp932::fromUtf8(utf8);
}

}  // namespace fieldtext
