#include "precheck/spf_record.h"

#include <arpa/inet.h>

#include "precheck/spf_macro.h"
#include "text/cp932_char.h"

namespace precheck::spf {
namespace {

constexpr std::string_view kVersion = "v=spf1";

bool isAlpha(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
bool isDigit(char c) {
    return c >= '0' && c <= '9';
}
bool isNameChar(char c) {
    return isAlpha(c) || isDigit(c) || c == '-' || c == '_' || c == '.';
}

std::string lower(std::string_view s) {
    std::string out(s);
    for (char& c : out) c = text::cp932::foldAscii(c);
    return out;
}

// "0" or a number without a leading zero, at most `limit`; -1 otherwise.
int prefixLength(std::string_view digits, int limit) {
    if (digits.empty() || digits.size() > 3 || (digits.size() > 1 && digits[0] == '0')) return -1;
    int value = 0;
    for (char c : digits) {
        if (!isDigit(c)) return -1;
        value = value * 10 + (c - '0');
    }
    return value <= limit ? value : -1;
}

// Takes "/digits" off the end of text when it is there.
std::optional<std::string_view> takeLength(std::string_view& text, bool doubleSlash) {
    const std::size_t slash = text.rfind('/');
    if (slash == std::string_view::npos || slash + 1 == text.size()) return std::nullopt;
    for (std::size_t i = slash + 1; i < text.size(); ++i)
        if (!isDigit(text[i])) return std::nullopt;
    const bool two = slash > 0 && text[slash - 1] == '/';
    if (two != doubleSlash) return std::nullopt;
    const std::string_view digits = text.substr(slash + 1);
    text = text.substr(0, doubleSlash ? slash - 1 : slash);
    return digits;
}

// [ ":" domain ] [ dual-cidr-length ] of a and mx.
bool readDualCidr(std::string_view rest, Mechanism& m) {
    if (const auto six = takeLength(rest, true)) {
        m.cidr6 = prefixLength(*six, 128);
        if (m.cidr6 < 0) return false;
    }
    if (const auto four = takeLength(rest, false)) {
        m.cidr4 = prefixLength(*four, 32);
        if (m.cidr4 < 0) return false;
    }
    if (rest.empty()) return true;
    if (rest[0] != ':') return false;
    m.domainSpec = std::string(rest.substr(1));
    return isDomainSpec(m.domainSpec);
}

bool readNetwork(std::string_view rest, bool six, Mechanism& m) {
    if (rest.empty() || rest[0] != ':') return false;
    rest.remove_prefix(1);
    int& length = six ? m.cidr6 : m.cidr4;
    const std::size_t slash = rest.find('/');
    if (slash != std::string_view::npos) {
        length = prefixLength(rest.substr(slash + 1), six ? 128 : 32);
        if (length < 0) return false;
        rest = rest.substr(0, slash);
    }
    return inet_pton(six ? AF_INET6 : AF_INET, std::string(rest).c_str(), m.network.data()) == 1;
}

bool readMechanism(std::string_view term, Mechanism& m) {
    m.text = std::string(term);
    if (!term.empty() && std::string_view("+-~?").find(term[0]) != std::string_view::npos) {
        m.qualifier = term[0];
        term.remove_prefix(1);
    }
    std::size_t end = 0;
    while (end < term.size() && (isAlpha(term[end]) || isDigit(term[end]))) ++end;
    const std::string name = lower(term.substr(0, end));
    const std::string_view rest = term.substr(end);
    const auto domainRequired = [&] {
        if (rest.empty() || rest[0] != ':') return false;
        m.domainSpec = std::string(rest.substr(1));
        return isDomainSpec(m.domainSpec);
    };
    if (name == "all") {
        m.kind = MechanismKind::All;
        return rest.empty();
    }
    if (name == "include" || name == "exists") {
        m.kind = name == "include" ? MechanismKind::Include : MechanismKind::Exists;
        return domainRequired();
    }
    if (name == "a" || name == "mx") {
        m.kind = name == "a" ? MechanismKind::A : MechanismKind::Mx;
        return readDualCidr(rest, m);
    }
    if (name == "ptr") {
        m.kind = MechanismKind::Ptr;
        return rest.empty() || domainRequired();
    }
    if (name == "ip4" || name == "ip6") {
        m.kind = name == "ip4" ? MechanismKind::Ip4 : MechanismKind::Ip6;
        return readNetwork(rest, name == "ip6", m);
    }
    return false;
}

// name "=" value; false for a malformed or repeated one.
bool readModifier(std::string_view term, std::size_t eq, Record& record) {
    const std::string name = lower(term.substr(0, eq));
    const std::string_view value = term.substr(eq + 1);
    if (name.empty() || !isAlpha(name[0])) return false;
    if (name == "redirect" || name == "exp") {
        std::optional<Modifier>& slot = name == "exp" ? record.explanation : record.redirect;
        if (slot || !isDomainSpec(value)) return false;
        slot = Modifier{std::string(term), std::string(value)};
        return true;
    }
    return isMacroString(value, false);
}

}  // namespace

bool isSpfRecord(std::string_view txt) {
    return txt.size() >= kVersion.size() && lower(txt.substr(0, kVersion.size())) == kVersion &&
           (txt.size() == kVersion.size() || txt[kVersion.size()] == ' ');
}

std::optional<Record> parseRecord(std::string_view txt, std::string& badTerm) {
    Record record;
    std::size_t pos = kVersion.size();
    while ((pos = txt.find_first_not_of(' ', pos)) != std::string_view::npos) {
        const std::size_t end = std::min(txt.find(' ', pos), txt.size());
        const std::string_view term = txt.substr(pos, end - pos);
        pos = end;
        // A modifier's name is followed at once by "=", before any ":" or "/".
        std::size_t name = 0;
        while (name < term.size() && isNameChar(term[name])) ++name;
        Mechanism mechanism;
        const bool ok = name < term.size() && term[name] == '=' ? readModifier(term, name, record)
                                                                : readMechanism(term, mechanism);
        if (!ok) {
            badTerm = std::string(term);
            return std::nullopt;
        }
        if (!mechanism.text.empty()) record.mechanisms.push_back(std::move(mechanism));
    }
    return record;
}

}  // namespace precheck::spf
