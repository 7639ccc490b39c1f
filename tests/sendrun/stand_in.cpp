#include "stand_in.h"

#include <spawn.h>
#include <sys/wait.h>

#include <cerrno>
#include <cstdlib>
#include <fstream>
#include <iterator>

extern char** environ;

StandIns::StandIns() {
    const char* path = std::getenv("PATH");
    savedPath_ = path ? path : "/usr/bin:/bin";
    std::string folder = folder_.path();
    folder.pop_back();
    ::setenv("PATH", (folder + ":" + savedPath_).c_str(), 1);
}

StandIns::~StandIns() {
    ::setenv("PATH", savedPath_.c_str(), 1);
}

void StandIns::add(const std::string& name, const std::string& body) const {
    folder_.write(name, "#!/bin/sh\nPATH=/usr/bin:/bin\n" + body + "\n");
    folder_.setMode(name, 0755);
}

void StandIns::pathOnlyHere() const {
    std::string folder = folder_.path();
    folder.pop_back();
    ::setenv("PATH", folder.c_str(), 1);
}

int runProgram(const std::vector<std::string>& argv) {
    std::vector<char*> args;
    for (const auto& a : argv) args.push_back(const_cast<char*>(a.c_str()));
    args.push_back(nullptr);
    pid_t pid = 0;
    if (posix_spawnp(&pid, args[0], nullptr, nullptr, args.data(), environ) != 0) return -1;
    int status = 0;
    while (::waitpid(pid, &status, 0) < 0) {
        if (errno != EINTR) return -1;
    }
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

std::vector<std::string> readFields(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    const std::string bytes((std::istreambuf_iterator<char>(in)), {});
    std::vector<std::string> fields;
    std::size_t start = 0;
    for (std::size_t nul; (nul = bytes.find('\0', start)) != std::string::npos; start = nul + 1) {
        fields.push_back(bytes.substr(start, nul - start));
    }
    return fields;
}
