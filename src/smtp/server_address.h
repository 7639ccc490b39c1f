#pragma once

#include <optional>
#include <string>

// The server and port fields as the connection test takes them.
namespace smtp {

enum class Refusal {
    EmptyServer,
    BadServer,  // characters no host name or address has
    BadPort,
    NoUser,  // SMTP-AUTH without a user ID
};

struct Target {
    std::string server;  // without surrounding blanks
    int port = 0;
};

// The target, or why nothing should be tried. Blanks around the server are dropped (the
// user cannot see them); the port must be a whole number from 1 to 9999, since port 0
// cannot be connected to.
std::optional<Refusal> refusalFor(const std::string& server, const std::string& portText, bool auth,
                                  const std::string& user);
Target targetFor(const std::string& server, const std::string& portText);

// The host as a URL holds it: an IPv6 address goes in brackets.
std::string hostForUrl(const std::string& server);

}  // namespace smtp
