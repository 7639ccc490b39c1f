#pragma once

#include <string>

#include "mailbox/mailbox_wire.h"

// The mailbox's settings, in a file of their own in the project's folder (the INI that the
// sending program reads never holds them). It holds a password, so it is private (0600).
namespace mailbox {

struct Settings {
    Protocol protocol = Protocol::Imap;
    std::string server;  // UTF-8
    std::string port = "993";
    std::string user;
    std::string password;
    std::string folder = "INBOX";
};

// The settings in the file; the defaults above when there is none. Throws StoreError when
// the file is there but cannot be read.
Settings loadSettings(const std::string& path);
// Throws std::runtime_error (Japanese text) when a field holds what CP932 cannot, and
// StoreError when the file cannot be written.
void saveSettings(const std::string& path, const Settings& settings);

// The usual port of each protocol: TLS from the start.
int defaultPort(Protocol protocol);

}  // namespace mailbox
