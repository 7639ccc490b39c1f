// A mailbox holding returned mail, for the manual's picture of the 返送メール取込 report:
//   sample_mailbox <folder of .eml files>
// Starts the tests' Dovecot, delivers every mail of the folder in name order and prints one
// line, "READY <IMAP port> <CA file> <user> <password>" (the port speaks STARTTLS), then
// serves until stdin closes or a signal comes, and stops Dovecot.
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <vector>

#include "mailbox/dovecot_server.h"
#include "smtp/test_smtp_server.h"

namespace {

// Written from the signal handler; it ends the wait below.
int wakeWrite = -1;

void wake(int) {
    const char byte = 0;
    [[maybe_unused]] const ssize_t n = write(wakeWrite, &byte, 1);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <folder of .eml files>\n", argv[0]);
        return 2;
    }
    std::vector<std::filesystem::path> mails;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(argv[1], error))
        if (entry.path().extension() == ".eml") mails.push_back(entry.path());
    if (error || mails.empty()) {
        std::fprintf(stderr, "sample_mailbox: no mail in %s\n", argv[1]);
        return 1;
    }
    std::sort(mails.begin(), mails.end());

    int wakePipe[2];
    if (pipe(wakePipe) != 0) return 1;
    wakeWrite = wakePipe[1];
    struct sigaction action {};
    action.sa_handler = wake;
    for (int signal : {SIGTERM, SIGINT, SIGHUP}) sigaction(signal, &action, nullptr);

    // The certificates live as long as this static; Dovecot's folder as long as `server`.
    const TestCertificates& certificates = testCertificates();
    DovecotServer server;
    if (!server.running()) return 1;
    for (const auto& path : mails) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        server.deliver(bytes.str());
    }
    if (server.messages() != mails.size()) {
        std::fprintf(stderr, "sample_mailbox: Dovecot holds %zu of %zu mails\n", server.messages(),
                     mails.size());
        return 1;
    }
    std::printf("READY %d %s %s %s\n", server.imapPort, certificates.caFile.c_str(),
                DovecotServer::kUser, DovecotServer::kPassword);
    std::fflush(stdout);

    pollfd waits[2] = {{STDIN_FILENO, POLLIN, 0}, {wakePipe[0], POLLIN, 0}};
    for (;;) {
        if (poll(waits, 2, -1) < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (waits[1].revents) break;
        if (waits[0].revents) {
            char buffer[256];
            if (read(STDIN_FILENO, buffer, sizeof buffer) <= 0) break;  // closed
        }
    }
    return 0;  // ~DovecotServer stops Dovecot and removes its folder
}
