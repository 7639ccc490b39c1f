#include "smtp/ehlo_name.h"

#include <arpa/inet.h>
#include <ifaddrs.h>
#include <netdb.h>
#include <netinet/in.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <memory>

namespace smtp {

namespace {

using AddressList = std::unique_ptr<addrinfo, void (*)(addrinfo*)>;

AddressList lookUp(const std::string& name, int flags) {
    addrinfo hints{};
    hints.ai_family = AF_UNSPEC;
    hints.ai_socktype = SOCK_STREAM;
    hints.ai_flags = flags;
    addrinfo* list = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &list) != 0) list = nullptr;
    return AddressList(list, freeaddrinfo);
}

std::vector<std::string> resolved(const std::string& name) {
    std::vector<std::string> literals;
    const AddressList list = lookUp(name, 0);
    for (const addrinfo* a = list.get(); a; a = a->ai_next)
        literals.push_back(addressLiteral(a->ai_addr));
    return literals;
}

std::vector<std::string> ownAddresses() {
    std::vector<std::string> literals;
    ifaddrs* list = nullptr;
    if (getifaddrs(&list) != 0) return literals;
    for (const ifaddrs* a = list; a; a = a->ifa_next)
        if (a->ifa_addr) literals.push_back(addressLiteral(a->ifa_addr));
    freeifaddrs(list);
    return literals;
}

// Loopback addresses are this host whether or not an interface lists them (127.0.1.1).
bool isOwn(const std::string& literal, const std::vector<std::string>& own) {
    if (literal.rfind("[127.", 0) == 0 || literal == "[IPv6:::1]") return true;
    return !literal.empty() && std::find(own.begin(), own.end(), literal) != own.end();
}

// The address as libcurl's resolve list writes it: IPv4 bare, IPv6 in brackets.
std::string forResolveList(const sockaddr* address) {
    const std::string literal = addressLiteral(address);
    const std::string six = "[IPv6:";
    if (literal.rfind(six, 0) == 0) return "[" + literal.substr(six.size());
    return literal.substr(1, literal.size() - 2);
}

// The local end the routing table picks for a connection to `destination`.
std::string localEndFor(const addrinfo& destination) {
    const int probe = socket(destination.ai_family, SOCK_DGRAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return {};
    sockaddr_storage target{};
    std::copy_n(reinterpret_cast<const char*>(destination.ai_addr), destination.ai_addrlen,
                reinterpret_cast<char*>(&target));
    // Any port will do: connecting a datagram socket sends nothing.
    if (target.ss_family == AF_INET6)
        reinterpret_cast<sockaddr_in6*>(&target)->sin6_port = htons(25);
    else
        reinterpret_cast<sockaddr_in*>(&target)->sin_port = htons(25);
    sockaddr_storage local{};
    socklen_t size = sizeof local;
    std::string literal;
    if (connect(probe, reinterpret_cast<sockaddr*>(&target), destination.ai_addrlen) == 0 &&
        getsockname(probe, reinterpret_cast<sockaddr*>(&local), &size) == 0)
        literal = addressLiteral(reinterpret_cast<sockaddr*>(&local));
    close(probe);
    return literal;
}

}  // namespace

std::string addressLiteral(const sockaddr* address) {
    char text[INET6_ADDRSTRLEN] = {};
    if (address->sa_family == AF_INET) {
        inet_ntop(AF_INET, &reinterpret_cast<const sockaddr_in*>(address)->sin_addr, text,
                  sizeof text);
        return "[" + std::string(text) + "]";
    }
    if (address->sa_family != AF_INET6) return {};
    const in6_addr& six = reinterpret_cast<const sockaddr_in6*>(address)->sin6_addr;
    if (IN6_IS_ADDR_V4MAPPED(&six)) {
        inet_ntop(AF_INET, &six.s6_addr[12], text, sizeof text);
        return "[" + std::string(text) + "]";
    }
    inet_ntop(AF_INET6, &six, text, sizeof text);
    return "[IPv6:" + std::string(text) + "]";
}

bool isQualified(const std::string& name) {
    std::string bare = name;
    if (!bare.empty() && bare.back() == '.') bare.pop_back();
    const std::size_t dot = bare.find('.');
    if (dot == std::string::npos || dot == 0 || bare.back() == '.') return false;
    if (bare.find("..") != std::string::npos) return false;
    // The resolver takes a number in every form inet_aton reads ("192.0.2.10", "0xc0.0.2.10",
    // "127.1") as the address itself, not as a name.
    in_addr numeric{};
    if (inet_aton(bare.c_str(), &numeric)) return false;
    return std::all_of(bare.begin(), bare.end(),
                       [](unsigned char c) { return std::isalnum(c) || c == '-' || c == '.'; });
}

std::string chooseEhloName(const std::vector<std::string>& candidates,
                           const std::vector<std::string>& own,
                           std::vector<std::string> (*resolve)(const std::string&),
                           const std::string& literal) {
    for (const std::string& candidate : candidates) {
        if (!isQualified(candidate)) continue;
        // The root's dot is no part of the greeting.
        const std::string name =
            candidate.back() == '.' ? candidate.substr(0, candidate.size() - 1) : candidate;
        const std::vector<std::string> addresses = resolve(name);
        if (std::any_of(addresses.begin(), addresses.end(),
                        [&own](const std::string& a) { return isOwn(a, own); }))
            return name;
    }
    return literal;
}

std::string hostQualifiedName() {
    char name[HOST_NAME_MAX + 1] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !name[0]) return {};
    std::vector<std::string> candidates{name};
    const AddressList list = lookUp(name, AI_CANONNAME);
    if (list && list->ai_canonname) candidates.emplace_back(list->ai_canonname);
    return chooseEhloName(candidates, ownAddresses(), resolved, std::string());
}

std::string localEndLiteral(const std::string& server, std::vector<std::string>& pinned) {
    pinned.clear();
    const AddressList list = lookUp(server, AI_IDN);
    std::string literal;
    for (const addrinfo* a = list.get(); a; a = a->ai_next) {
        const std::string local = localEndFor(*a);
        if (local.empty()) continue;
        if (literal.empty()) literal = local;
        if (local == literal) pinned.push_back(forResolveList(a->ai_addr));
    }
    return literal;
}

std::string ehloName(const std::string& server, std::vector<std::string>& pinned) {
    pinned.clear();
    const std::string name = hostQualifiedName();
    return name.empty() ? localEndLiteral(server, pinned) : name;
}

}  // namespace smtp
