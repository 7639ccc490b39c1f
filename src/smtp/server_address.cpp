#include "smtp/server_address.h"

#include <algorithm>
#include <cctype>

#include "text/cp932_char.h"

namespace smtp {

namespace {

std::string trimmed(const std::string& text) {
    return std::string(text::cp932::trimmed(text));
}

bool isIpv6(const std::string& host) {
    return std::count(host.begin(), host.end(), ':') >= 2 &&
           std::all_of(host.begin(), host.end(),
                       [](unsigned char c) { return std::isxdigit(c) || c == ':' || c == '.'; });
}

// Letters, digits, "-", "." and "_", or UTF-8 for international names: nothing that
// would change what the URL means ("/", "@", "?", "#", ":", "%" or blanks).
bool isHostName(const std::string& host) {
    return std::all_of(host.begin(), host.end(), [](unsigned char c) {
        return std::isalnum(c) || c == '-' || c == '.' || c == '_' || c >= 0x80;
    });
}

std::optional<int> portFrom(const std::string& text) {
    const std::string digits = trimmed(text);
    if (digits.empty() || digits.size() > 4 ||
        !std::all_of(digits.begin(), digits.end(), [](unsigned char c) { return std::isdigit(c); }))
        return std::nullopt;
    const int port = std::stoi(digits);
    if (port < 1) return std::nullopt;
    return port;
}

std::string withoutBrackets(const std::string& host) {
    if (host.size() >= 2 && host.front() == '[' && host.back() == ']')
        return host.substr(1, host.size() - 2);
    return host;
}

}  // namespace

std::optional<Refusal> refusalFor(const std::string& server, const std::string& portText, bool auth,
                                  const std::string& user) {
    const std::string host = withoutBrackets(trimmed(server));
    if (host.empty()) return Refusal::EmptyServer;
    if (!isIpv6(host) && !isHostName(host)) return Refusal::BadServer;
    if (!portFrom(portText)) return Refusal::BadPort;
    if (auth && trimmed(user).empty()) return Refusal::NoUser;
    return std::nullopt;
}

Target targetFor(const std::string& server, const std::string& portText) {
    return Target{trimmed(server), portFrom(portText).value_or(0)};
}

std::string hostForUrl(const std::string& server) {
    const std::string host = withoutBrackets(server);
    return isIpv6(host) ? "[" + host + "]" : host;
}

}  // namespace smtp
