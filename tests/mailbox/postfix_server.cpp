#include "mailbox/postfix_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "mailbox/dovecot_server.h"
#include "smtp/test_smtp_server.h"

namespace {

// Postfix writes its start-up failures to syslog alone; its log file takes the rest.
bool postfix(const std::string& folder, const char* command) {
    const std::string line = "/usr/sbin/postfix -c '" + folder + "/conf' " + command;
    return std::system(line.c_str()) == 0;
}

}  // namespace

PostfixServer::PostfixServer(const DovecotServer& mailbox) : mailbox_(mailbox) {
    // The master starts as root and hands the work to the postfix user.
    const passwd* owner = getpwnam("postfix");
    if (getuid() != 0 || !owner) {
        ADD_FAILURE() << "Postfix runs only as root with its postfix user: the real returned "
                         "mails cannot be made here";
        return;
    }
    std::string pattern =
        (std::filesystem::temp_directory_path() / "fendrival-postfix-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp";
        return;
    }
    folder_ = pattern;
    std::filesystem::permissions(folder_, std::filesystem::perms(0755));
    std::filesystem::create_directories(folder_ + "/conf");
    std::filesystem::create_directories(folder_ + "/queue");
    std::filesystem::create_directories(folder_ + "/data");
    if (chown((folder_ + "/data").c_str(), owner->pw_uid, owner->pw_gid) != 0)
        ADD_FAILURE() << "chown";
    refusing_ = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (bind(refusing_, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
        getsockname(refusing_, reinterpret_cast<sockaddr*>(&address), &length) != 0)
        ADD_FAILURE() << "no port to refuse connections";
    smtpPort_ = unusedPort();
    std::ofstream(folder_ + "/conf/main.cf")
        << "compatibility_level = 3.6\n"
        << "queue_directory = " << folder_ << "/queue\n"
        << "data_directory = " << folder_ << "/data\n"
        << "maillog_file = " << folder_ << "/postfix.log\n"
        << "maillog_file_prefixes = " << folder_ << "\n"
        << "myhostname = mx.fendrival.test\n"
        << "mydestination =\nalias_maps =\nalias_database =\n"
        << "inet_interfaces = loopback-only\ninet_protocols = ipv4\n"
        << "mynetworks = 127.0.0.0/8\n"
        << "smtpd_relay_restrictions = permit_mynetworks, reject\n"
        << "smtpd_peername_lookup = no\n"
        << "smtp_dns_support_level = disabled\nlmtp_dns_support_level = disabled\n"
        << "smtp_host_lookup = native\nlmtp_host_lookup = native\n"
        << "transport_maps = inline:{example.com=lmtp:inet:[127.0.0.1]:" << mailbox.lmtpPort
        << ", example.net=smtp:[127.0.0.1]:" << ntohs(address.sin_port) << "}\n"
        << "maximal_queue_lifetime = 0\nbounce_queue_lifetime = 0\n";
    std::ofstream(folder_ + "/conf/master.cf")
        << "127.0.0.1:" << smtpPort_ << " inet n - n - - smtpd\n"
        << "cleanup unix n - n - 0 cleanup\nqmgr unix n - n 300 1 qmgr\n"
        << "rewrite unix - - n - - trivial-rewrite\n"
        << "bounce unix - - n - 0 bounce\ndefer unix - - n - 0 bounce\n"
        << "trace unix - - n - 0 bounce\nflush unix n - n 1000? 0 flush\n"
        << "proxymap unix - - n - - proxymap\nanvil unix - - n - 1 anvil\n"
        << "scache unix - - n - 1 scache\nerror unix - - n - - error\n"
        << "retry unix - - n - - error\nsmtp unix - - n - - smtp\nlmtp unix - - n - - lmtp\n"
        << "postlog unix-dgram n - n - 1 postlogd\n";
    // Postfix waits while its configuration looks freshly written.
    for (const char* file : {"/conf/main.cf", "/conf/master.cf"})
        std::filesystem::last_write_time(
            folder_ + file,
            std::filesystem::file_time_type::clock::now() - std::chrono::minutes(1));
    // "start" lays out the queue and returns once the master has started.
    running_ = postfix(folder_, "start");
    if (!running_) ADD_FAILURE() << "Postfix did not start: " << log();
}

PostfixServer::~PostfixServer() {
    // "stop" waits for the master, which ends every process of the instance.
    if (running_ && !postfix(folder_, "stop")) ADD_FAILURE() << "Postfix did not stop";
    if (refusing_ >= 0) close(refusing_);
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

void PostfixServer::sendAndAwaitReturn(const std::string& to) const {
    ASSERT_TRUE(running_);
    const std::size_t before = mailbox_.messages();
    smtp::SendRequest request = localRequest(smtpPort_);
    request.from = DovecotServer::kUser;
    request.to = to;
    request.message = "From: " + request.from + "\r\nTo: " + to +
                      "\r\nSubject: news\r\nMessage-ID: <news@fendrival.test>\r\n\r\n";
    // Larger than the full user's quota.
    for (int line = 0; line < 32; ++line) request.message += std::string(64, 'x') + "\r\n";
    const std::atomic<bool> cancel{false};
    const smtp::SendResult sent = smtp::send(request, cancel);
    ASSERT_EQ(sent.failure, smtp::Failure::None) << sent.curlText << " " << sent.reply;
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (mailbox_.messages() == before) {
        ASSERT_TRUE(std::chrono::steady_clock::now() < deadline)
            << "no return of " << to << " came back:\n"
            << log();
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

std::string PostfixServer::log() const {
    std::ifstream in(folder_ + "/postfix.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
