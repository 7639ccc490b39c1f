// Returned mail read from a Dovecot mailbox of 10,000 mails over IMAP with TLS: the first
// read to the report against Python's imaplib fetching every mail in one command, the
// peak memory of the read, a second run that finds nothing new, and the longest the
// 返送メール取込 dialog stops answering per action.
//   mailbox_bench [runs]
//   mailbox_bench --stalls-only [runs]
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <string>
#include <vector>

#include "bench_report.h"
#include "dialog_stalls.h"
#include "mailbox/dovecot_server.h"
#include "mailbox/mailbox_import.h"
#include "smtp/test_smtp_server.h"
#include "store/project_store.h"

namespace {

constexpr int kMails = 10000;
constexpr double kMaxRatio = 2.0;
constexpr long kMaxPeakKb = 200 * 1024;
constexpr double kMaxSecondRun = 1.0;

std::string ordinary(int i) {
    std::string body;
    for (int line = 0; line < 20; ++line)
        body += "This is line " + std::to_string(line) + " of an ordinary mail number " +
                std::to_string(i) + ".\n";
    return "From: customer" + std::to_string(i) +
           "@example.com\nTo: sender@example.com\n"
           "Subject: Question " +
           std::to_string(i) +
           "\nDate: Mon, 07 Dec 2026 09:00:00 +0000\n"
           "Message-ID: <o" +
           std::to_string(i) + "@example.com>\n\n" + body;
}

std::string dsn(int i) {
    const std::string to = "gone" + std::to_string(i) + "@example.org";
    if (i % 3 == 1)  // qmail's form, no report part
        return "From: MAILER-DAEMON@qmail.example.net\nTo: sender@example.com\nSubject: failure "
               "notice\nMessage-ID: <q" +
               std::to_string(i) +
               "@x>\n\nHi. This is the qmail-send "
               "program.\n\n<" +
               to +
               ">:\nRemote host said: 550 5.1.1 User unknown\n\n--- Below "
               "this line is a copy of the message.\n\nReturn-Path: <sender@example.com>\n";
    return "From: MAILER-DAEMON@mx.example.net\nTo: sender@example.com\nSubject: Undelivered Mail\n"
           "Message-ID: <d" +
           std::to_string(i) +
           "@x>\nMIME-Version: 1.0\nContent-Type: "
           "multipart/report; report-type=delivery-status; boundary=\"b\"\n\n--b\nContent-Type: "
           "text/plain\n\nfailed\n--b\nContent-Type: message/delivery-status\n\nReporting-MTA: "
           "dns; "
           "mx\n\nFinal-Recipient: rfc822; " +
           to +
           "\nAction: " + (i % 3 == 2 ? "delayed\nStatus: 4.4.7\n" : "failed\nStatus: 5.1.1\n") +
           "\n--b\nContent-Type: text/rfc822-headers\n\nFrom: sender@example.com\nTo: " + to +
           "\n\n--b--\n";
}

std::string complaint(int i) {
    return "From: fbl@isp.example\nTo: sender@example.com\nSubject: Complaint\nMIME-Version: 1.0\n"
           "Content-Type: multipart/report; report-type=feedback-report; boundary=\"p\"\n\n--p\n"
           "Content-Type: text/plain\n\nabuse\n--p\nContent-Type: message/feedback-report\n\n"
           "Feedback-Type: abuse\nOriginal-Rcpt-To: <c" +
           std::to_string(i) + "@example.com>\n\n--p--\n";
}

std::string reply(int i) {
    return "From: r" + std::to_string(i) +
           "@example.com\nTo: sender@example.com\nSubject: Re: "
           "info\nMessage-ID: <r" +
           std::to_string(i) +
           "@x>\nContent-Type: text/plain; "
           "charset=UTF-8\n\n配信停止してください。\n\n> info\n";
}

std::string attachment() {
    std::string mail =
        "From: big@example.com\nTo: sender@example.com\nSubject: Big\nMIME-Version: 1.0\n"
        "Content-Type: multipart/mixed; boundary=\"z\"\n\n--z\nContent-Type: text/plain\n\nsee "
        "attached\n--z\nContent-Type: application/octet-stream\nContent-Transfer-Encoding: "
        "base64\n\n";
    const std::string line(76, 'A');
    while (mail.size() < 50u * 1024 * 1024) mail += line + "\n";
    return mail + "--z--\n";
}

// The mails laid into the maildir at once; Dovecot takes them as delivered.
void fill(const DovecotServer& server) {
    const std::string dir = server.maildir();
    for (const char* sub : {"", "/new", "/cur", "/tmp"}) {
        std::filesystem::create_directories(dir + sub);
        server.giveToMailUser(dir + sub);
    }
    for (int i = 0; i < kMails; ++i) {
        // 2,000 returns of three forms, 200 complaints, 300 replies, one 50 MB mail.
        const std::string mail = i == 5004                 ? attachment()
                                 : i % 5 == 0              ? dsn(i)
                                 : i % 50 == 1             ? complaint(i)
                                 : i % 10 == 3 && i < 3000 ? reply(i)
                                                           : ordinary(i);
        char name[64];
        std::snprintf(name, sizeof name, "/new/%d.M%dP1.bench", 1700000000 + i, i);
        std::ofstream(dir + name, std::ios::binary) << mail;
        server.giveToMailUser(dir + name);
    }
}

double seconds(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double>(d).count();
}

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

mailbox::Endpoint endpointOf(const DovecotServer& server) {
    mailbox::Endpoint e;
    e.server = "127.0.0.1";
    e.port = server.imapsPort;
    e.imapTlsPort = server.imapsPort;
    e.user = DovecotServer::kUser;
    e.password = DovecotServer::kPassword;
    e.caFile = testCertificates().caFile;
    return e;
}

struct Run {
    double first = 0;
    double second = 0;
    long peakKb = 0;
    std::size_t mails = 0;
};

// One first read and one second read in a child process of their own, so its peak memory
// is the read's alone.
Run measure(const DovecotServer& server) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0) return {};
    const pid_t child = fork();
    if (child == 0) {
        close(pipeFds[0]);
        char folder[] = "/tmp/fendrival-mailbox-bench-XXXXXX";
        Run run;
        if (mkdtemp(folder)) {
            const store::ProjectStore store(folder);
            store.ensureProjectFolder("P");
            mailbox::Progress progress;
            std::atomic<bool> cancel{false};
            auto started = std::chrono::steady_clock::now();
            mailbox::Report report = mailbox::readReport(store, "P", endpointOf(server), "INBOX",
                                                         progress, cancel, "2026-12-10");
            run.first = seconds(std::chrono::steady_clock::now() - started);
            run.mails = report.mails;
            mailbox::addTicked(store, "P", report, "2026-12-10 10:00");
            mailbox::Progress again;
            started = std::chrono::steady_clock::now();
            mailbox::readReport(store, "P", endpointOf(server), "INBOX", again, cancel,
                                "2026-12-10");
            run.second = seconds(std::chrono::steady_clock::now() - started);
            std::filesystem::remove_all(folder);
        }
        if (write(pipeFds[1], &run, sizeof run) != sizeof run) _exit(1);
        _exit(0);
    }
    close(pipeFds[1]);
    Run run;
    if (read(pipeFds[0], &run, sizeof run) != sizeof run) run = {};
    close(pipeFds[0]);
    int status = 0;
    rusage usage{};
    wait4(child, &status, 0, &usage);
    run.peakKb = usage.ru_maxrss;
    return run;
}

double imaplib(const DovecotServer& server, std::size_t& count) {
    const std::string command = "python3 '" + std::string(IMAPLIB_SCRIPT) + "' 127.0.0.1 " +
                                std::to_string(server.imapsPort) + " " + DovecotServer::kUser +
                                " " + DovecotServer::kPassword + " '" + testCertificates().caFile +
                                "'";
    double elapsed = -1;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        if (std::fscanf(pipe, "%lf %zu", &elapsed, &count) != 2) elapsed = -1;
        pclose(pipe);
    }
    return elapsed;
}

// The first read against imaplib, its peak memory and the second run, as summary lines.
std::vector<bench::Verdict> compareReads(const DovecotServer& server, int runs) {
    // Dovecot indexes the new maildir on the first read: that read is nobody's.
    std::size_t warm = 0;
    imaplib(server, warm);
    std::vector<double> ours, theirs, second;
    long peak = 0;
    for (int i = 0; i < runs; ++i) {
        std::size_t count = 0;
        theirs.push_back(imaplib(server, count));
        const Run run = measure(server);
        ours.push_back(run.first);
        second.push_back(run.second);
        peak = std::max(peak, run.peakKb);
        std::cout << "run " << i + 1 << ": imaplib " << theirs.back() << " s (" << count
                  << " mails), ours " << run.first << " s (" << run.mails << " mails), second run "
                  << run.second << " s, peak " << run.peakKb / 1024 << " MB\n";
        if (count != std::size_t(kMails) || run.mails != std::size_t(kMails))
            return {{"first read", {}, 0, false, "a read did not see every mail"}};
    }
    const double ratio = median(ours) / median(theirs);
    std::cout << "first read: median " << median(ours) << " s, imaplib " << median(theirs)
              << " s, ratio " << ratio << " (target <= " << kMaxRatio << ")\n"
              << "peak memory: " << peak / 1024 << " MB (target <= 200 MB)\n"
              << "second run: median " << median(second) << " s (target <= 1 s)\n\n";
    const double peakRatio = double(peak) / double(kMaxPeakKb);
    const double secondRatio = median(second) / kMaxSecondRun;
    return {{"first read vs imaplib", {ratio}, kMaxRatio, ratio <= kMaxRatio, {}},
            {"peak memory / 200 MB", {peakRatio}, 1.0, peakRatio <= 1.0, {}},
            {"second run / 1 s", {secondRatio}, 1.0, secondRatio <= 1.0, {}}};
}

}  // namespace

int main(int argc, char** argv) {
    setenv("TZ", "UTC", 1);
    if (argc == 5 && std::string(argv[1]) == "--dialog-stalls") {
        // Offscreen unless the caller names a display to watch it on.
        setenv("QT_QPA_PLATFORM", "offscreen", 0);
        try {
            return mailboxbench::runDialogStalls(argc, argv, std::atoi(argv[2]), argv[3],
                                                 std::string(argv[4]) == "screen-reader");
        } catch (const std::exception& error) {
            std::fprintf(stderr, "measuring run failed: %s\n", error.what());
            return 1;
        }
    }
    const bool stallsOnly = argc > 1 && std::string(argv[1]) == "--stalls-only";
    const char* runsArg = argc > 1 + stallsOnly ? argv[1 + stallsOnly] : nullptr;
    const int runs = runsArg ? std::max(1, std::atoi(runsArg)) : 3;
    DovecotServer server;
    if (!server.running()) return 2;
    fill(server);
    std::cout << "== returned mail: " << kMails << " mails over IMAP with TLS, " << runs
              << " runs ==" << std::endl;
    std::vector<bench::Verdict> verdicts;
    if (!stallsOnly) verdicts = compareReads(server, runs);
    for (auto& v :
         bench::runComparison("longest stall of the 返送メール取込 dialog per action, median of " +
                                  std::to_string(runs) + " runs",
                              [&] {
                                  return mailboxbench::compareDialogStalls(
                                      server.imapsPort, testCertificates().caFile, runs);
                              }))
        verdicts.push_back(std::move(v));
    return bench::printSummary("returned mail benchmark", verdicts) ? 0 : 1;
}
