#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

// One SMTP dialogue to see whether the settings would work: connect, EHLO, STARTTLS or
// implicit TLS, AUTH when asked, NOOP, QUIT. No mail is ever sent.
namespace smtp {

// Points the check at a CA file of its own instead of the system's trust store.
inline constexpr const char* kCaFileVariable = "FENDRIVAL_SMTP_CA_FILE";
inline constexpr int kImplicitTlsPort = 465;

struct Request {
    std::string server;  // host name or IP address, UTF-8
    int port = 25;
    bool auth = false;  // SMTP-AUTH: TLS is then required (implicit on 465, else STARTTLS)
    std::string user;
    std::string password;
    // Empty: the variable above when set, else the system's trust store.
    std::string caFile;
    // The longest wait for any one step: the connection, or any reply of the server.
    std::chrono::milliseconds stepTimeout{15000};
};

enum class Failure {
    None,
    NameNotFound,
    ConnectionRefused,
    Timeout,
    TlsRequired,           // STARTTLS needed but not offered
    TlsFailed,             // the handshake failed
    CertificateUntrusted,  // verification failed
    AuthRefused,
    AuthNotOffered,
    ServerRefused,  // an unexpected reply, or the server hung up
    Cancelled,
    Other,
};

struct Result {
    Failure failure = Failure::Other;
    bool connected = false;
    std::string tlsVersion;  // e.g. "TLSv1.3"; empty when the connection stayed plain
    bool authenticated = false;
    // The server's reply lines as received, without line ends; never anything we sent.
    std::vector<std::string> serverLines;
    int curlCode = 0;
    std::string curlText;  // libcurl's own error text
};

// Runs the dialogue; blocks, so call it off the GUI thread. Setting `cancel` ends it
// within a fraction of a second with Failure::Cancelled.
Result run(const Request& request, const std::atomic<bool>& cancel);

// What a libcurl result means for the user, given what the server said. libcurl skips AUTH
// silently when the server offers none, and reports "Login denied" when it offers none that
// libcurl knows: only a refusing reply (535 and the like) means the credentials are wrong.
Failure classify(int curlCode, bool authAsked, const std::vector<std::string>& serverLines);

// The reply line that best explains a failure: the last one with a 4xx or 5xx code,
// else the last one; empty when the server said nothing.
std::string telling(const std::vector<std::string>& serverLines);

}  // namespace smtp
