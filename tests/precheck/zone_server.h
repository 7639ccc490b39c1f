#pragma once

#include <sys/types.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

// The zone data of a file in the SPF test suite's form, served on 127.0.0.1 by
// zone_server.py (python3-dnslib), one port per document, for as long as the object lives.
class ZoneServer {
public:
    struct SuiteTest {
        int document = 0;
        std::string name, host, mailfrom, helo;
        std::vector<std::string> results;  // the acceptable ones
        std::string explanation;           // "-" when the test names none
    };

    explicit ZoneServer(const std::string& file);
    ~ZoneServer();
    ZoneServer(const ZoneServer&) = delete;
    ZoneServer& operator=(const ZoneServer&) = delete;

    // "127.0.0.1@port" of a document's zone; "" when it has none.
    std::string address(int document) const;
    const std::vector<SuiteTest>& tests() const { return tests_; }

private:
    std::FILE* output_ = nullptr;
    pid_t pid_ = -1;
    std::map<int, std::string> addresses_;
    std::vector<SuiteTest> tests_;
};

// The folder of this file, where the server script and the suite's data live.
std::string precheckTestFolder();
