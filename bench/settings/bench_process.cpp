#include "bench_process.h"

#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <sstream>
#include <stdexcept>

extern char** environ;

namespace bench {

long peakResidentKib() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmHWM:", 0) == 0) return std::stol(line.substr(6));
    }
    return -1;
}

std::string runChildOutput(const std::vector<std::string>& args) {
    std::vector<std::string> all = {"/proc/self/exe"};
    all.insert(all.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (std::string& a : all) argv.push_back(a.data());
    argv.push_back(nullptr);

    int pipeFds[2];
    if (pipe(pipeFds) != 0) throw std::runtime_error("pipe failed");
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, pipeFds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, pipeFds[0]);
    pid_t pid = 0;
    const int rc = posix_spawn(&pid, "/proc/self/exe", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(pipeFds[1]);
    if (rc != 0) throw std::runtime_error("cannot start the measuring run");

    std::string output;
    char buffer[4096];
    ssize_t n;
    while ((n = read(pipeFds[0], buffer, sizeof buffer)) > 0) output.append(buffer, std::size_t(n));
    close(pipeFds[0]);
    int status = 0;
    waitpid(pid, &status, 0);
    return output;
}

Sample runChild(const std::vector<std::string>& args) {
    const std::string output = runChildOutput(args);
    std::istringstream lines(output);
    std::string line;
    while (std::getline(lines, line)) {
        Sample sample;
        if (std::sscanf(line.c_str(), "RESULT %lf %ld", &sample.millis, &sample.peakKib) == 2)
            return sample;
    }
    throw std::runtime_error("measuring run gave no result: " + output);
}

void printResult(const Sample& sample) {
    std::printf("RESULT %.3f %ld\n", sample.millis, sample.peakKib);
    std::fflush(stdout);
}

}  // namespace bench
