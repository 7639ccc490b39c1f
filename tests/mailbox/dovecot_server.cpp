#include "mailbox/dovecot_server.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "smtp/test_smtp_server.h"

extern char** environ;

namespace {

bool accepts(int port) {
    const int probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(std::uint16_t(port));
    const bool ok = connect(probe, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
    close(probe);
    return ok;
}

std::string output(const std::string& command) {
    std::string text;
    if (FILE* pipe = popen(command.c_str(), "r")) {
        char buffer[4096];
        std::size_t n = 0;
        while ((n = fread(buffer, 1, sizeof buffer, pipe)) > 0) text.append(buffer, n);
        pclose(pipe);
    }
    return text;
}

}  // namespace

DovecotServer::DovecotServer() {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "fendrival-dovecot-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "mkdtemp";
        return;
    }
    folder_ = pattern;
    // Under root Dovecot refuses to serve mail as root: its own users serve it.
    const bool root = getuid() == 0;
    const passwd* mailUser = root ? getpwnam("dovecot") : getpwuid(getuid());
    const passwd* loginUser = root ? getpwnam("dovenull") : mailUser;
    if (!mailUser || !loginUser) {
        ADD_FAILURE() << "no user for Dovecot";
        return;
    }
    const std::string mailName = mailUser->pw_name;
    const std::string loginName = loginUser->pw_name;
    const unsigned uid = uid_ = mailUser->pw_uid;
    const unsigned gid = gid_ = mailUser->pw_gid;
    std::filesystem::create_directories(folder_ + "/mail");
    std::filesystem::create_directories(folder_ + "/run");
    std::filesystem::permissions(folder_, std::filesystem::perms(0755));
    if (root && chown((folder_ + "/mail").c_str(), uid, gid) != 0) ADD_FAILURE() << "chown";
    imapPort = unusedPort();
    imapsPort = unusedPort();
    pop3Port = unusedPort();
    pop3sPort = unusedPort();
    lmtpPort = unusedPort();
    const TestCertificates& certificates = testCertificates();
    // Users and their homes in one file, for passdb and userdb alike; the full user's tiny
    // quota holds no mail at all.
    const std::string owner = ":" + std::to_string(uid) + ":" + std::to_string(gid) + "::";
    std::ofstream(folder_ + "/passwd")
        << kUser << ":{PLAIN}" << kPassword << owner << folder_ << "/mail/sender\n"
        << kFullUser << ":{PLAIN}" << kPassword << owner << folder_
        << "/mail/brimful::userdb_quota_rule=*:storage=1K\n";
    std::ofstream conf(folder_ + "/dovecot.conf");
    conf << "base_dir = " << folder_ << "/run\n"
         << "state_dir = " << folder_ << "/run/state\n"
         << "instance_name = fendrival-test-" << getpid() << "\n"
         << "protocols = imap pop3 lmtp\n"
         << "listen = 127.0.0.1\n"
         << "ssl = required\n"
         << "ssl_cert = <" << certificates.certFile << "\n"
         << "ssl_key = <" << certificates.keyFile << "\n"
         << "disable_plaintext_auth = yes\n"
         << "auth_mechanisms = plain login\n"
         << "auth_failure_delay = 0\n"
         << "default_internal_user = " << mailName << "\n"
         << "default_internal_group = " << mailName << "\n"
         << "default_login_user = " << loginName << "\n"
         << "first_valid_uid = " << uid << "\n"
         << "log_path = " << folder_ << "/dovecot.log\n"
         << "mail_location = maildir:" << folder_ << "/mail/%n\n"
         << "pop3_uidl_format = %08Xu%08Xv\n"
         << "mail_plugins = quota\n"
         << "plugin {\n  quota = count:User quota\n  quota_vsizes = yes\n}\n"
         << "passdb {\n  driver = passwd-file\n  args = scheme=PLAIN " << folder_ << "/passwd\n}\n"
         << "userdb {\n  driver = passwd-file\n  args = " << folder_ << "/passwd\n}\n"
         << "service imap-login {\n  chroot =\n"
         << "  inet_listener imap {\n    port = " << imapPort << "\n  }\n"
         << "  inet_listener imaps {\n    port = " << imapsPort << "\n    ssl = yes\n  }\n}\n"
         << "service pop3-login {\n  chroot =\n"
         << "  inet_listener pop3 {\n    port = " << pop3Port << "\n  }\n"
         << "  inet_listener pop3s {\n    port = " << pop3sPort << "\n    ssl = yes\n  }\n}\n"
         << "service lmtp {\n  inet_listener lmtp {\n    port = " << lmtpPort << "\n  }\n}\n"
         << "service anvil {\n  chroot =\n}\n"
         << "service stats {\n  chroot =\n}\n";
    conf.close();
    const std::string confPath = folder_ + "/dovecot.conf";
    std::vector<std::string> args = {"/usr/sbin/dovecot", "-F", "-c", confPath};
    std::vector<char*> argv;
    for (std::string& arg : args) argv.push_back(arg.data());
    argv.push_back(nullptr);
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, argv.data(), environ) != 0) {
        pid_ = -1;
        ADD_FAILURE() << "cannot start Dovecot";
        return;
    }
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(15);
    while (!(accepts(imapsPort) && accepts(pop3sPort) && accepts(lmtpPort))) {
        if (std::chrono::steady_clock::now() > deadline) {
            ADD_FAILURE() << "Dovecot did not start: " << log();
            return;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    }
}

DovecotServer::~DovecotServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        waitpid(pid_, nullptr, 0);
    }
    std::error_code ignored;
    if (!folder_.empty()) std::filesystem::remove_all(folder_, ignored);
}

std::string DovecotServer::doveadm(const std::string& arguments) const {
    return output("/usr/bin/doveadm -c '" + folder_ + "/dovecot.conf' " + arguments + " 2>&1");
}

void DovecotServer::deliver(const std::string& bytes, const std::string& folder) const {
    const std::string file = folder_ + "/incoming.eml";
    std::ofstream(file, std::ios::binary) << bytes;
    if (folder != "INBOX") doveadm(std::string("mailbox create -u ") + kUser + " '" + folder + "'");
    const std::string command = "/usr/lib/dovecot/dovecot-lda -c '" + folder_ +
                                "/dovecot.conf' -d " + kUser + " -m '" + folder + "' -f '' < '" +
                                file + "'";
    ASSERT_EQ(std::system(command.c_str()), 0) << log();
}

std::size_t DovecotServer::messages() const {
    const std::string status =
        doveadm(std::string("mailbox status -u ") + kUser + " messages INBOX");
    const std::size_t at = status.find("messages=");
    return at == std::string::npos ? 0 : std::stoul(status.substr(at + 9));
}

std::string DovecotServer::snapshot() const {
    return doveadm(std::string("mailbox status -u ") + kUser + " 'messages uidvalidity' INBOX") +
           doveadm(std::string("fetch -u ") + kUser + " 'uid flags' mailbox INBOX all");
}

void DovecotServer::expungeAll(const std::string& folder) const {
    doveadm(std::string("expunge -u ") + kUser + " mailbox '" + folder + "' all");
}

void DovecotServer::setUidValidity(unsigned value, const std::string& folder) const {
    doveadm(std::string("mailbox update -u ") + kUser + " --uid-validity " + std::to_string(value) +
            " '" + folder + "'");
}

std::string DovecotServer::maildir() const {
    const std::string user = kUser;
    return folder_ + "/mail/" + user.substr(0, user.find('@'));
}

void DovecotServer::giveToMailUser(const std::string& path) const {
    if (getuid() == 0 && chown(path.c_str(), uid_, gid_) != 0) ADD_FAILURE() << "chown " << path;
}

std::string DovecotServer::log() const {
    std::ifstream in(folder_ + "/dovecot.log");
    std::ostringstream text;
    text << in.rdbuf();
    return text.str();
}
