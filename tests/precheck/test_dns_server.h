#pragma once

#include <sys/types.h>

#include <map>
#include <string>

// A real authoritative DNS server (Debian's NSD) on 127.0.0.1 and a free port, serving the
// given zones for as long as the object lives. Its files live in a temporary folder.
class TestDnsServer {
public:
    // zone name (without the final dot) -> zone file text
    explicit TestDnsServer(const std::map<std::string, std::string>& zones);
    ~TestDnsServer();
    TestDnsServer(const TestDnsServer&) = delete;
    TestDnsServer& operator=(const TestDnsServer&) = delete;

    // "127.0.0.1@port", as FENDRIVAL_DNS_SERVER takes it; "" when it did not start.
    std::string address() const;

private:
    pid_t pid_ = -1;
    int port_ = 0;
    std::string folder_;
};

// A UDP port on 127.0.0.1 that takes queries and never answers, for as long as it lives.
class SilentDnsPort {
public:
    SilentDnsPort();
    ~SilentDnsPort();
    SilentDnsPort(const SilentDnsPort&) = delete;
    SilentDnsPort& operator=(const SilentDnsPort&) = delete;

    std::string address() const;

private:
    int fd_ = -1;
    int port_ = 0;
};
