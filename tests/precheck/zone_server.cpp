#include "precheck/zone_server.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <sstream>

extern char** environ;

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
    int in[2], out[2];
    if (pipe(in) != 0 || pipe(out) != 0) {
        ADD_FAILURE() << "no pipe for the zone server";
        return;
    }
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, in[0], 0);
    posix_spawn_file_actions_adddup2(&actions, out[1], 1);
    posix_spawn_file_actions_addclose(&actions, in[1]);
    posix_spawn_file_actions_addclose(&actions, out[0]);
    const std::string script = precheckTestFolder() + "/zone_server.py";
    const char* argv[] = {"/usr/bin/python3", script.c_str(), file.c_str(), nullptr};
    const int spawned =
        posix_spawn(&pid_, argv[0], &actions, nullptr, const_cast<char**>(argv), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(in[0]);
    close(out[1]);
    input_ = in[1];
    if (spawned != 0) {
        pid_ = -1;
        close(out[0]);
        ADD_FAILURE() << "the zone server did not start (is python3-dnslib installed?)";
        return;
    }
    FILE* lines = fdopen(out[0], "r");
    char* line = nullptr;
    std::size_t size = 0;
    bool ready = false;
    while (!ready && getline(&line, &size, lines) > 0) {
        std::string text(line);
        if (!text.empty() && text.back() == '\n') text.pop_back();
        const std::vector<std::string> f = fields(text, '\t');
        if (f.size() == 3 && f[0] == "zone") {
            addresses_[std::stoi(f[1])] = f[2];
        } else if (f.size() == 8 && f[0] == "test") {
            tests_.push_back({std::stoi(f[1]), f[2], f[3], f[4], f[5], fields(f[6], ','), f[7]});
        } else {
            ready = text == "ready";
        }
    }
    free(line);
    fclose(lines);
    if (!ready) ADD_FAILURE() << "the zone server did not come up with " << file;
}

ZoneServer::~ZoneServer() {
    if (input_ >= 0) close(input_);
    if (pid_ > 0) {
        int status = 0;
        waitpid(pid_, &status, 0);
    }
}

std::string ZoneServer::address(int document) const {
    const auto it = addresses_.find(document);
    return it == addresses_.end() ? std::string() : it->second;
}
