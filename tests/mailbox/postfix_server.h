#pragma once

#include <string>

class DovecotServer;

// A private Postfix on 127.0.0.1 for as long as the object lives, run as root from a
// temporary folder with its own configuration and queue, and no DNS. It hands example.com
// to the Dovecot's LMTP and example.net to a port that refuses every connection; mail it
// cannot deliver goes back to its sender after the first try.
class PostfixServer {
public:
    explicit PostfixServer(const DovecotServer& mailbox);
    ~PostfixServer();
    PostfixServer(const PostfixServer&) = delete;
    PostfixServer& operator=(const PostfixServer&) = delete;

    // Sends a mail from the mailbox's user to `to` over SMTP and waits until Postfix's
    // report of its return lies in that user's INBOX.
    void sendAndAwaitReturn(const std::string& to) const;
    std::string log() const;

private:
    const DovecotServer& mailbox_;
    std::string folder_;
    int smtpPort_ = 0;
    int refusing_ = -1;  // bound, never listening: the port of a server that is down
    bool running_ = false;
};
