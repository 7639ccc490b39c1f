#pragma once

#include <atomic>
#include <chrono>
#include <memory>
#include <string>

#include "smtp/smtp_check.h"

// One signed-in connection to the sender's mailbox. libcurl connects, sets up TLS
// (implicit on the TLS port, else STARTTLS, which is then required) and signs in; the
// commands after that are ours, so the mailbox is only ever examined, never changed.
namespace mailbox {

enum class Protocol { Imap, Pop3 };

struct Endpoint {
    Protocol protocol = Protocol::Imap;
    std::string server;
    int port = 993;
    std::string user;
    std::string password;
    std::string caFile;  // empty: FENDRIVAL_SMTP_CA_FILE when set, else the system's store
    std::chrono::milliseconds stepTimeout{30000};
    // The ports that mean TLS from the first byte; tests move them to free ports.
    int imapTlsPort = 993;
    int pop3TlsPort = 995;
};

// How a connection ended, in the connection test's terms.
struct Outcome {
    smtp::Failure failure = smtp::Failure::None;
    std::string tlsVersion;
    std::string serverLine;  // the server's refusing line, when one was seen
    std::string curlText;
};

// Thrown by the wire when the dialogue cannot go on.
struct WireFailure {
    Outcome outcome;
};

class Wire {
public:
    Wire(const Endpoint& endpoint, const std::atomic<bool>& cancel);
    ~Wire();
    Wire(const Wire&) = delete;
    Wire& operator=(const Wire&) = delete;

    // Connects, TLS, sign-in; throws WireFailure.
    void open();
    const std::string& tlsVersion() const;

    void send(const std::string& bytes);
    // One line without its CR LF; throws WireFailure when it is longer than `maxBytes`.
    std::string line(std::size_t maxBytes);
    // One line without its line end, of which only the first `keep` bytes are returned.
    std::string lineCapped(std::size_t keep);
    // Exactly `size` bytes; only the first `keep` go into `out`, the rest is read and dropped.
    void bytes(std::size_t size, std::size_t keep, std::string& out);

    // Throws WireFailure for a failure found by the protocol above.
    [[noreturn]] void fail(smtp::Failure failure, const std::string& serverLine);

    struct State;

private:
    std::unique_ptr<State> state_;
};

}  // namespace mailbox
