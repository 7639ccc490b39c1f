#include "precheck/zone_server.h"

#include <gtest/gtest.h>
#include <signal.h>

#include <sstream>

namespace {

std::vector<std::string> fields(const std::string& line, char separator) {
    std::vector<std::string> out;
    std::istringstream in(line);
    for (std::string field; std::getline(in, field, separator);) out.push_back(field);
    return out;
}

}  // namespace

std::string precheckTestFolder() {
    return PRECHECK_TEST_DIR;
}

ZoneServer::ZoneServer(const std::string& file) {
    const std::string command =
        "/usr/bin/python3 '" + precheckTestFolder() + "/zone_server.py' '" + file + "'";
    output_ = popen(command.c_str(), "r");
    char* line = nullptr;
    std::size_t size = 0;
    while (output_ && pid_ < 0 && getline(&line, &size, output_) > 0) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const std::vector<std::string> f = fields(text, '\t');
        if (f.size() == 3 && f[0] == "zone")
            addresses_[std::stoi(f[1])] = f[2];
        else if (f.size() == 8 && f[0] == "test")
            tests_.push_back({std::stoi(f[1]), f[2], f[3], f[4], f[5], fields(f[6], ','), f[7]});
        else if (f.size() == 2 && f[0] == "ready")
            pid_ = std::stoi(f[1]);
    }
    free(line);
    if (pid_ < 0) ADD_FAILURE() << "no zone server for " << file << " (python3-dnslib?)";
}

ZoneServer::~ZoneServer() {
    if (pid_ > 0) kill(pid_, SIGTERM);
    if (output_) pclose(output_);
}

std::string ZoneServer::address(int document) const {
    const auto it = addresses_.find(document);
    return it == addresses_.end() ? std::string() : it->second;
}
