#include "smtp/encoded_words.h"

#include <algorithm>
#include <cctype>
#include <vector>

namespace smtp {

namespace {

constexpr std::size_t kLineLimit = 76;  // a line that holds encoded-words
constexpr std::size_t kWordLimit = 75;  // the longest encoded-word allowed
const std::string kPrefix = "=?UTF-8?B?";
const std::string kQPrefix = "=?UTF-8?Q?";
const std::string kSuffix = "?=";

// Bytes of the UTF-8 character starting at `i`; a stray byte counts as one.
std::size_t charLength(const std::string& s, std::size_t i) {
    const auto lead = static_cast<unsigned char>(s[i]);
    std::size_t n = 1;
    if (lead >= 0xF0 && lead < 0xF8)
        n = 4;
    else if (lead >= 0xE0)
        n = 3;
    else if (lead >= 0xC0)
        n = 2;
    if (lead >= 0xF8 || i + n > s.size()) return 1;
    for (std::size_t k = 1; k < n; ++k)
        if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return 1;
    return n;
}

std::string base64(const std::string& bytes) {
    static const char* alphabet =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (i + 1 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (i + 2 < bytes.size()) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += alphabet[(v >> 18) & 63];
        out += alphabet[(v >> 12) & 63];
        out += i + 1 < bytes.size() ? alphabet[(v >> 6) & 63] : '=';
        out += i + 2 < bytes.size() ? alphabet[v & 63] : '=';
    }
    return out;
}

// The most text bytes one B word may carry when it may be `room` columns long.
std::size_t bytesFor(std::size_t room) {
    const std::size_t chars = std::min(room, kWordLimit) - kPrefix.size() - kSuffix.size();
    return chars / 4 * 3;
}

// Q encoding of one character: letters and digits as they are, blank as "_".
std::string qEncoded(const std::string& bytes) {
    static const char* hex = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto b = static_cast<unsigned char>(c);
        if (std::isalnum(b) || c == '!' || c == '*' || c == '+' || c == '-' || c == '/') {
            out += c;
        } else if (c == ' ') {
            out += '_';
        } else {
            out += '=';
            out += hex[b >> 4];
            out += hex[b & 15];
        }
    }
    return out;
}

// One word from `i` that fits `room` columns; `i` moves past it. GMime (and readers like it)
// joins the base64 of neighbouring words before decoding, so a B word that is not the last
// carries a multiple of three bytes: padding inside would cut the text short. Where no cut
// gives that, the word is Q-encoded, which has no padding.
std::string nextWord(const std::string& utf8, std::size_t& i, std::size_t room) {
    const std::size_t limit = bytesFor(room);
    std::size_t end = i;
    std::size_t whole = i;  // the longest cut with a multiple of three bytes
    while (end < utf8.size() && end + charLength(utf8, end) - i <= limit) {
        end += charLength(utf8, end);
        if ((end - i) % 3 == 0) whole = end;
    }
    if (end == utf8.size() || whole > i) {
        const std::size_t cut = end == utf8.size() ? end : whole;
        std::string word = kPrefix + base64(utf8.substr(i, cut - i)) + kSuffix;
        i = cut;
        return word;
    }
    std::string q;
    end = i;
    while (end < utf8.size()) {
        const std::string c = qEncoded(utf8.substr(end, charLength(utf8, end)));
        if (kQPrefix.size() + q.size() + c.size() + kSuffix.size() > std::min(room, kWordLimit))
            break;
        q += c;
        end += charLength(utf8, end);
    }
    i = end;
    return kQPrefix + q + kSuffix;
}

}  // namespace

bool needsEncodedWords(const std::string& text) {
    std::size_t run = 0;
    for (const char c : text) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x20 || b >= 0x7F) return true;
        run = c == ' ' ? 0 : run + 1;
        if (run > kWordLimit - kPrefix.size()) return true;
    }
    return text.find("=?") != std::string::npos;
}

std::string foldedEncodedWords(const std::string& utf8, std::size_t nameLength,
                               const std::string& tail) {
    std::vector<std::string> words;
    std::size_t room = kLineLimit - nameLength - 1;  // "Name:" and one blank
    std::size_t i = 0;
    while (i < utf8.size()) {
        words.push_back(nextWord(utf8, i, room));
        room = kLineLimit - 1;  // a folded line starts with one blank
    }
    std::string raw;
    for (std::size_t k = 0; k < words.size(); ++k) raw += (k ? "\n " : " ") + words[k];
    const std::size_t lastLine =
        words.size() > 1 ? 1 + words.back().size() : nameLength + raw.size();
    if (!tail.empty())
        raw += (raw.empty() || lastLine + tail.size() <= kLineLimit ? "" : "\n") + tail;
    return raw + "\n";
}

}  // namespace smtp
