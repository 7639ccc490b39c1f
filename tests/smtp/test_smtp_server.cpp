#include "smtp/test_smtp_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <thread>
#include <vector>

extern char** environ;

namespace {

// Reads the server's "READY <port>" line, waiting at most ten seconds.
int readyPort(int fd) {
    std::string line;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (line.find('\n') == std::string::npos) {
        pollfd p{fd, POLLIN, 0};
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now());
        if (left.count() <= 0 || poll(&p, 1, int(left.count())) <= 0) return 0;
        char buffer[64];
        const ssize_t n = read(fd, buffer, sizeof buffer);
        if (n <= 0) return 0;
        line.append(buffer, std::size_t(n));
    }
    if (line.rfind("READY ", 0) != 0) return 0;
    return std::atoi(line.c_str() + 6);
}

class CertificateFolder {
public:
    CertificateFolder() {
        std::string pattern =
            (std::filesystem::temp_directory_path() / "fendrival-smtp-ca-XXXXXX").string();
        if (!mkdtemp(pattern.data())) return;
        folder_ = pattern;
        const std::string command = std::string(MAKE_TEST_CA_SCRIPT) + " '" + folder_ + "'";
        if (std::system(command.c_str()) != 0) ADD_FAILURE() << "cannot make the test CA";
        files_ = {folder_ + "/ca.pem", folder_ + "/other-ca.pem", folder_ + "/server.pem",
                  folder_ + "/server.key"};
    }
    ~CertificateFolder() {
        std::error_code ignored;
        if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
    }
    const TestCertificates& files() const { return files_; }

private:
    std::string folder_;
    TestCertificates files_;
};

}  // namespace

const TestCertificates& testCertificates() {
    static const CertificateFolder folder;
    return folder.files();
}

int unusedPort() {
    // Below 10000, like the servers, so the window's four-digit port field holds it.
    std::random_device seed;
    std::uniform_int_distribution<int> pick(2000, 9999);
    for (int attempt = 0; attempt < 500; ++attempt) {
        const int probe = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(std::uint16_t(pick(seed)));
        const bool free = bind(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
        close(probe);  // closed without listening: connections are refused
        if (free) return ntohs(address.sin_port);
    }
    ADD_FAILURE() << "no free port below 10000";
    return 0;
}

smtp::SendRequest localRequest(int port) {
    smtp::SendRequest request;
    request.server = "127.0.0.1";
    request.port = port;
    request.caFile = testCertificates().caFile;
    request.user = TestSmtpServer::kUser;
    request.from = "sender@example.com";
    request.to = "taro@example.com";
    return request;
}

TestSmtpServer::TestSmtpServer(Mode mode, bool auth, std::vector<std::string> options) {
    std::vector<std::string> args = {"/usr/bin/python3", SMTP_SERVER_SCRIPT, "--mode"};
    args.push_back(mode == Mode::Plain         ? "plain"
                   : mode == Mode::StartTls    ? "starttls"
                   : mode == Mode::ImplicitTls ? "tls"
                   : mode == Mode::Scripted    ? "script"
                                               : "silent");
    std::string pattern =
        (std::filesystem::temp_directory_path() / "fendrival-smtp-server-XXXXXX").string();
    if (mkdtemp(pattern.data())) {
        folder_ = pattern;
        args.insert(args.end(), {"--dir", folder_});
    }
    args.insert(args.end(), options.begin(), options.end());
    if (mode == Mode::StartTls || mode == Mode::ImplicitTls || mode == Mode::Scripted) {
        const TestCertificates& files = testCertificates();
        args.insert(args.end(), {"--cert", files.certFile, "--key", files.keyFile});
    }
    if (auth) args.insert(args.end(), {"--user", kUser, "--password", kPassword});
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);

    int in[2], out[2];
    if (pipe2(in, O_CLOEXEC) != 0 || pipe2(out, O_CLOEXEC) != 0) {
        ADD_FAILURE() << "pipe";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    // aiosmtpd's deprecation notes are of no interest here.
    posix_spawn_file_actions_addopen(&actions, 2, "/dev/null", O_WRONLY, 0);
    const int spawned = posix_spawn(&pid_, argv[0], &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    if (spawned != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start " << SMTP_SERVER_SCRIPT;
    } else {
        port_ = readyPort(out[0]);
        if (port_ == 0) ADD_FAILURE() << "the test SMTP server did not start";
    }
    close(out[0]);
}

std::string TestSmtpServer::file(const std::string& name) const {
    std::ifstream in(folder_ + "/" + name, std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}

TestSmtpServer::~TestSmtpServer() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) {
        bool ended = false;
        for (int i = 0; i < 50 && !ended; ++i) {
            ended = waitpid(pid_, nullptr, WNOHANG) == pid_;
            if (!ended) std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        if (!ended) {
            kill(pid_, SIGKILL);
            waitpid(pid_, nullptr, 0);
        }
    }
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}
