#pragma once

#include <sys/types.h>

#include <cstddef>
#include <string>

// A real Dovecot serving IMAP and POP3 on 127.0.0.1, each on a plain port (STARTTLS) and
// a TLS port, with the test CA's certificate and its passwd-file users, for as long as the
// object lives. It runs from a temporary folder, as the user running the tests (or, under
// root, as Dovecot's own unprivileged users). Mail is delivered with dovecot-lda, or by
// LMTP on a plain port (where the full user's quota refuses it).
class DovecotServer {
public:
    DovecotServer();
    ~DovecotServer();
    DovecotServer(const DovecotServer&) = delete;
    DovecotServer& operator=(const DovecotServer&) = delete;

    static constexpr const char* kUser = "sender@example.com";
    static constexpr const char* kPassword = "mailbox-Pass1";
    static constexpr const char* kFullUser = "brimful@example.com";

    int imapPort = 0;
    int imapsPort = 0;
    int pop3Port = 0;
    int pop3sPort = 0;
    int lmtpPort = 0;
    bool running() const { return pid_ > 0; }

    // Into a folder other than INBOX, which doveadm creates first.
    void deliver(const std::string& bytes, const std::string& folder = "INBOX") const;
    void expungeAll(const std::string& folder) const;
    std::size_t messages() const;  // in the user's INBOX
    // The user's maildir, for a benchmark that lays thousands of mails in at once; owned by
    // the user Dovecot serves mail as.
    std::string maildir() const;
    void giveToMailUser(const std::string& path) const;
    // UID, flags and UIDVALIDITY of every mail, as Dovecot's own tool reports them.
    std::string snapshot() const;
    void setUidValidity(unsigned value, const std::string& folder = "INBOX") const;
    // The IMAP/POP3 commands Dovecot logged for the user's sessions (its log).
    std::string log() const;

private:
    std::string doveadm(const std::string& arguments) const;
    std::string folder_;
    pid_t pid_ = -1;
    unsigned uid_ = 0;
    unsigned gid_ = 0;
};
