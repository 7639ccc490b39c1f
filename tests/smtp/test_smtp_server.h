#pragma once

#include <sys/types.h>
#include <string>
#include <vector>

#include "smtp/mail_send.h"

// A real SMTP server (python3-aiosmtpd) on 127.0.0.1 and a free port below 10000 (the
// window's port field holds four digits), for as long as the object lives; or, in Silent
// mode, a listener that accepts and never says a word; or, in Scripted mode, a byte stream
// played to one client (--script FILE --split whole|bytes|random). It notes what it heard in
// a folder of its own (see smtp_server.py).
class TestSmtpServer {
public:
    enum class Mode { Plain, StartTls, ImplicitTls, Silent, Scripted };
    // With auth, the server takes AUTH under TLS for kUser / kPassword only. `options` go
    // to the script as they are: --auth-reply LINE, --capture, --refuse mail|rcpt|data.
    TestSmtpServer(Mode mode, bool auth, std::vector<std::string> options = {});
    ~TestSmtpServer();
    TestSmtpServer(const TestSmtpServer&) = delete;
    TestSmtpServer& operator=(const TestSmtpServer&) = delete;

    // 0 when the server did not start (the test has then failed already).
    int port() const { return port_; }
    // A file the server wrote: "events" (each command's name, one a line), "message" and
    // "envelope", or a script's "received"; empty when it wrote none.
    std::string file(const std::string& name) const;

    static constexpr const char* kUser = "mailer";
    static constexpr const char* kPassword = "s3cret-Pass";

private:
    pid_t pid_ = -1;
    int input_ = -1;  // the server ends when this closes
    int port_ = 0;
    std::string folder_;
};

// The test CAs and the server's certificate, made once per run in a temporary folder.
struct TestCertificates {
    std::string caFile;       // signed the server's certificate
    std::string otherCaFile;  // a CA that did not
    std::string certFile;
    std::string keyFile;
};
const TestCertificates& testCertificates();

// A port below 10000 on 127.0.0.1 where nothing listens.
int unusedPort();

// A test mail to the server on 127.0.0.1 at `port`, trusting the test CA, from and to
// addresses at example.com; the user is kUser, no password yet.
smtp::SendRequest localRequest(int port);
