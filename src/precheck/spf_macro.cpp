#include "precheck/spf_macro.h"

#include <algorithm>
#include <ctime>
#include <vector>

#include "text/cp932_char.h"

namespace precheck::spf {
namespace {

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isAlnum(char c) {
    return isAlpha(c) || isDigit(c);
}

constexpr std::string_view kDelimiters = ".-+,/_=";
constexpr std::size_t kMaxName = 253;

// One piece of a macro-string: a run of literal text, or one macro.
struct Piece {
    bool macro = false;
    std::string_view literal;  // the text, or for %% %_ %- what it stands for
    char letter = 0;
    int parts = 0;  // keep this many right-hand parts; 0 keeps all
    bool reverse = false;
    std::string_view delimiters;
};

bool letterAllowed(char letter, bool explanation) {
    const char lower = text::cp932::foldAscii(letter);
    if (std::string_view("slodiphv").find(lower) != std::string_view::npos) return true;
    return explanation && std::string_view("crt").find(lower) != std::string_view::npos;
}

// The pieces of text; false at the first syntax error.
bool split(std::string_view text, bool explanation, std::vector<Piece>& pieces) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        const char c = text[pos];
        if (c != '%') {
            const std::size_t start = pos;
            while (pos < text.size() && text[pos] != '%') {
                const unsigned char b = static_cast<unsigned char>(text[pos]);
                if (b > 0x7E || b < (explanation ? 0x20 : 0x21)) return false;
                ++pos;
            }
            Piece literal;
            literal.literal = text.substr(start, pos - start);
            pieces.push_back(literal);
            continue;
        }
        if (pos + 1 >= text.size()) return false;
        const char next = text[pos + 1];
        if (next == '%' || next == '_' || next == '-') {
            Piece escape;
            escape.macro = true;
            escape.literal = next == '%' ? "%" : next == '_' ? " " : "%20";
            escape.letter = next;
            pieces.push_back(escape);
            pos += 2;
            continue;
        }
        if (next != '{' || pos + 2 >= text.size()) return false;
        Piece piece;
        piece.macro = true;
        piece.letter = text[pos + 2];
        if (!letterAllowed(piece.letter, explanation)) return false;
        pos += 3;
        const std::size_t digits = pos;
        while (pos < text.size() && isDigit(text[pos])) {
            if (piece.parts < 1000) piece.parts = piece.parts * 10 + (text[pos] - '0');
            ++pos;
        }
        // A count, when given, is at least one.
        if (pos > digits && piece.parts == 0) return false;
        if (pos < text.size() && (text[pos] == 'r' || text[pos] == 'R')) {
            piece.reverse = true;
            ++pos;
        }
        const std::size_t delimiters = pos;
        while (pos < text.size() && kDelimiters.find(text[pos]) != std::string_view::npos) ++pos;
        piece.delimiters = text.substr(delimiters, pos - delimiters);
        if (pos >= text.size() || text[pos] != '}') return false;
        ++pos;
        pieces.push_back(piece);
    }
    return true;
}

bool isTopLabel(std::string_view label) {
    if (label.empty() || !isAlnum(label.front()) || !isAlnum(label.back())) return false;
    bool alpha = false, hyphen = false;
    for (char c : label) {
        if (c == '-')
            hyphen = true;
        else if (isAlpha(c))
            alpha = true;
        else if (!isDigit(c))
            return false;
    }
    return alpha || hyphen;
}

std::string letterValue(char letter, const MacroValues& v) {
    switch (text::cp932::foldAscii(letter)) {
        case 's':
            return v.sender;
        case 'l':
            return v.localPart;
        case 'o':
            return v.senderDomain;
        case 'd':
            return v.domain;
        case 'i':
            return v.ip;
        case 'p':
            return v.validatedName ? v.validatedName(v.domain) : "unknown";
        case 'v':
            return v.ipv6 ? "ip6" : "in-addr";
        case 'h':
            return v.helo;
        case 'c':
            return v.clientText;
        case 'r':
            return "unknown";  // the checking host's name: this tool has none to give
        default:
            return std::to_string(std::time(nullptr));
    }
}

// Split at the delimiters, reversed and cut to the right-hand parts, joined by dots.
std::string transformed(const std::string& value, const Piece& piece) {
    const std::string_view delimiters = piece.delimiters.empty() ? "." : piece.delimiters;
    std::vector<std::string> parts(1);
    for (char c : value) {
        if (delimiters.find(c) != std::string_view::npos)
            parts.emplace_back();
        else
            parts.back() += c;
    }
    if (piece.reverse) std::reverse(parts.begin(), parts.end());
    std::size_t first = 0;
    if (piece.parts > 0 && static_cast<std::size_t>(piece.parts) < parts.size())
        first = parts.size() - piece.parts;
    std::string out;
    for (std::size_t i = first; i < parts.size(); ++i) out += (i > first ? "." : "") + parts[i];
    return out;
}

std::string urlEscaped(const std::string& value) {
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : value) {
        if (isAlnum(c) || c == '-' || c == '.' || c == '_' || c == '~') {
            out += c;
        } else {
            const unsigned char b = static_cast<unsigned char>(c);
            out += {'%', hex[b >> 4], hex[b & 0xF]};
        }
    }
    return out;
}

}  // namespace

bool isMacroString(std::string_view text, bool explanation) {
    std::vector<Piece> pieces;
    return split(text, explanation, pieces);
}

bool isDomainSpec(std::string_view text) {
    std::vector<Piece> pieces;
    if (!split(text, false, pieces) || pieces.empty()) return false;
    if (pieces.back().macro) return true;
    std::string_view end = pieces.back().literal;
    if (end.size() > 1 && end.back() == '.') end.remove_suffix(1);
    const std::size_t dot = end.rfind('.');
    return dot != std::string_view::npos && isTopLabel(end.substr(dot + 1));
}

std::string expandMacros(std::string_view text, const MacroValues& values, bool explanation) {
    std::vector<Piece> pieces;
    if (!split(text, explanation, pieces)) return {};
    std::string out;
    for (const Piece& piece : pieces) {
        if (!piece.letter) {
            out += piece.literal;
        } else if (!piece.literal.empty()) {
            out += piece.literal;  // %% %_ %-
        } else {
            const std::string value = transformed(letterValue(piece.letter, values), piece);
            out += isAlpha(piece.letter) && piece.letter < 'a' ? urlEscaped(value) : value;
        }
    }
    return out;
}

std::string queryName(std::string name) {
    if (!name.empty() && name.back() == '.') name.pop_back();
    while (name.size() > kMaxName) {
        const std::size_t dot = name.find('.');
        if (dot == std::string::npos) return {};
        name.erase(0, dot + 1);
    }
    return name;
}

}  // namespace precheck::spf
