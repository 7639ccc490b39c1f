#pragma once

#include <sys/socket.h>

#include <string>
#include <vector>

// The name we greet with: the host's fully qualified name when it has one that leads back
// to this host, else the address literal of the connection's local end. A bare machine
// name ("vm") is refused by servers that insist on a proper one.
namespace smtp {

// "[192.0.2.10]" or "[IPv6:2001:db8::1]"; empty for any other kind of address.
std::string addressLiteral(const sockaddr* address);

// A name with a dot inside it that is no IPv4 address in any form the resolver reads and
// no more than a dotted word ("vm." is still bare).
bool isQualified(const std::string& name);

// The first candidate that is qualified and resolves to one of `ownAddresses`, else the
// literal. `resolve` gives a name's addresses as literals.
std::string chooseEhloName(const std::vector<std::string>& candidates,
                           const std::vector<std::string>& ownAddresses,
                           std::vector<std::string> (*resolve)(const std::string&),
                           const std::string& literal);

// The host's own qualified name from its name service, or empty. Looks up only this
// host's own name.
std::string hostQualifiedName();

// The address literal of the local end a connection to `server` would have (found by a
// routing lookup; no packet is sent). `pinned` gets the server's addresses that share
// that local end, as libcurl's resolve list wants them, so the connection keeps it.
std::string localEndLiteral(const std::string& server, std::vector<std::string>& pinned);

// The name the tool greets `server` with: the host's qualified name, else the literal of
// the local end (with `pinned` filled as localEndLiteral fills it).
std::string ehloName(const std::string& server, std::vector<std::string>& pinned);

}  // namespace smtp
