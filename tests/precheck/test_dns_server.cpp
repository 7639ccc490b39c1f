#include "precheck/test_dns_server.h"

#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <spawn.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <thread>

#include "precheck/dns_client.h"
#include "smtp/test_smtp_server.h"

extern char** environ;

namespace {

void writeFile(const std::string& path, const std::string& text) {
    std::ofstream(path, std::ios::binary) << text;
}

std::string config(const std::string& folder, int port,
                   const std::map<std::string, std::string>& zones) {
    std::string text =
        "server:\n"
        "  ip-address: 127.0.0.1\n"
        "  port: " +
        std::to_string(port) +
        "\n"
        "  do-ip6: no\n"
        "  server-count: 1\n"
        "  username: \"\"\n"
        "  chroot: \"\"\n"
        "  database: \"\"\n"
        "  zonesdir: \"" +
        folder +
        "\"\n"
        "  zonelistfile: \"" +
        folder +
        "/zone.list\"\n"
        "  xfrdfile: \"" +
        folder +
        "/xfrd.state\"\n"
        "  xfrdir: \"" +
        folder +
        "\"\n"
        "  pidfile: \"" +
        folder +
        "/nsd.pid\"\n"
        "  logfile: \"" +
        folder +
        "/nsd.log\"\n"
        "  verbosity: 0\n"
        "remote-control:\n"
        "  control-enable: no\n";
    for (const auto& [name, zone] : zones) {
        writeFile(folder + "/" + name + ".zone", zone);
        text += "zone:\n  name: \"" + name + "\"\n  zonefile: \"" + name + ".zone\"\n";
    }
    return text;
}

}  // namespace

TestDnsServer::TestDnsServer(const std::map<std::string, std::string>& zones) {
    std::string pattern =
        (std::filesystem::temp_directory_path() / "fendrival-dns-server-XXXXXX").string();
    if (!mkdtemp(pattern.data())) {
        ADD_FAILURE() << "no temporary folder for the DNS server";
        return;
    }
    folder_ = pattern;
    port_ = unusedPort();
    const std::string conf = folder_ + "/nsd.conf";
    writeFile(conf, config(folder_, port_, zones));
    const char* argv[] = {"/usr/sbin/nsd", "-d", "-c", conf.c_str(), nullptr};
    if (posix_spawn(&pid_, argv[0], nullptr, nullptr, const_cast<char**>(argv), environ) != 0) {
        ADD_FAILURE() << "nsd did not start (is the nsd package installed?)";
        pid_ = -1;
        return;
    }
    // Ready once it answers a name of the first zone.
    const std::string probe = zones.begin()->first;
    for (int attempt = 0; attempt < 100; ++attempt) {
        precheck::DnsClient dns(address(), 200, nullptr);
        if (dns.query(probe, 6 /* SOA */).status != precheck::DnsStatus::TempError) return;
        int status = 0;
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            break;
        }
    }
    ADD_FAILURE() << "nsd did not answer on port " << port_;
}

TestDnsServer::~TestDnsServer() {
    if (pid_ > 0) {
        kill(pid_, SIGTERM);
        int status = 0;
        waitpid(pid_, &status, 0);
    }
    if (!folder_.empty()) std::filesystem::remove_all(folder_);
}

std::string TestDnsServer::address() const {
    return port_ ? "127.0.0.1@" + std::to_string(port_) : std::string();
}

SilentDnsPort::SilentDnsPort() : fd_(socket(AF_INET, SOCK_DGRAM, 0)) {
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t size = sizeof address;
    if (fd_ < 0 || bind(fd_, reinterpret_cast<sockaddr*>(&address), size) != 0 ||
        getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
        ADD_FAILURE() << "no UDP port for the silent server";
        return;
    }
    port_ = ntohs(address.sin_port);
}

SilentDnsPort::~SilentDnsPort() {
    if (fd_ >= 0) close(fd_);
}

std::string SilentDnsPort::address() const {
    return "127.0.0.1@" + std::to_string(port_);
}
