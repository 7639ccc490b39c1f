#pragma once

#include <atomic>
#include <chrono>
#include <string>
#include <vector>

// One SMTP dialogue to see whether the settings would work: connect, EHLO, STARTTLS or
// implicit TLS, AUTH when asked, NOOP, QUIT. No mail is ever sent.
// (The request, result and failures are shared with the test mail.)
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
    // The port that means TLS from the first byte; tests move it to a free port.
    int implicitTlsPort = kImplicitTlsPort;
};

enum class Failure {
    None,
    NameNotFound,
    ConnectionRefused,
    Timeout,
    TlsRequired,               // SMTP-AUTH without TLS: the password was not sent
    TlsFailed,                 // the handshake failed
    CertificateUntrusted,      // verification failed, for another reason
    CertificateUnknownIssuer,  // signed by no CA we trust
    CertificateNameMismatch,   // issued for another name than the server address
    AuthRefused,               // 535 or 5.7.8: wrong user ID or password
    AuthTemporary,             // 4xx to AUTH: the server's own trouble, try later
    AuthOtherMethod,           // 534: another way of signing in is wanted
    AuthNeedsEncryption,       // 530 or 538
    AuthFailed,                // any other refusal of AUTH
    AuthNotOffered,
    ServerRefused,    // a refusing reply where none was expected, or the server hung up
    UnexpectedReply,  // a reply out of form, or bytes that answer no command of ours
    Cancelled,
    Other,
    // The test mail's own steps.
    SenderRefused,     // MAIL FROM
    RecipientRefused,  // RCPT TO
    MessageRefused,    // DATA or the end of the data
    BadEnvelope,       // an address that would not make one clean command
};

struct Result {
    Failure failure = Failure::Other;
    bool connected = false;
    std::string tlsVersion;  // e.g. "TLSv1.3"; empty when the connection stayed plain
    bool authenticated = false;
    // The server's reply lines as received, without line ends; never anything we sent.
    std::vector<std::string> serverLines;
    // The reply to the step that failed; empty when the failure was no reply of the server.
    std::string reply;
    // The command of the step that failed ("MAIL FROM", never its arguments); empty while
    // libcurl still leads the dialogue.
    std::string step;
    // The name our EHLO gave; empty when no EHLO went out.
    std::string ehloName;
    int curlCode = 0;
    std::string curlText;  // libcurl's own error text
};

// Runs the dialogue; blocks, so call it off the GUI thread. Setting `cancel` ends it
// within a fraction of a second with Failure::Cancelled.
Result run(const Request& request, const std::atomic<bool>& cancel);

// What a libcurl result means for the user, given what the server said. libcurl skips AUTH
// silently when the server offers none, and reports "Login denied" when it offers none that
// libcurl knows: only a refusing reply (535 and the like) means the credentials are wrong.
// libcurl's error text tells the two usual certificate faults apart.
Failure classify(int curlCode, bool authAsked, const std::vector<std::string>& serverLines,
                 const std::string& curlText = {});

// The CA file a TLS connection trusts: the requested one, else the variable above when set;
// "" means the system's trust store. The mailbox reader trusts the same.
std::string caFileFor(const std::string& requested);

// What a refusing reply to AUTH means: only 535 (or 5.7.8) names the credentials.
Failure authFailure(const std::string& replyLine);

// The reply line that best explains a failure: the last one with a 4xx or 5xx code,
// else the last one; empty when the server said nothing.
std::string telling(const std::vector<std::string>& serverLines);
// The last line with a 4xx or 5xx code; empty when none refused.
std::string lastRefusal(const std::vector<std::string>& serverLines);

}  // namespace smtp
