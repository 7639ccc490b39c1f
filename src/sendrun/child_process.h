#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace sendrun {

// One program started by this process, waited for and reaped by it.
class ChildProcess {
public:
    enum class Wait { Ended, TimedOut, Failed };

    ChildProcess() = default;
    ~ChildProcess();
    ChildProcess(const ChildProcess&) = delete;
    ChildProcess& operator=(const ChildProcess&) = delete;

    // Starts the program, looked up in PATH, with exactly these arguments: no shell, the
    // environment of this process, only standard input, output and error inherited, in the
    // given folder. false when it could not be started (not found, not runnable, no folder).
    bool start(const std::string& program, const std::vector<std::string>& args,
               const std::string& folder);

    // Waits for the end at most this long. Ended reaps the child; Failed also ends waiting.
    Wait waitFor(std::chrono::milliseconds timeout);

    pid_t pid() const { return pid_; }

private:
    bool reapIfEnded();

    pid_t pid_ = -1;
    int pidFd_ = -1;  // readable once the child has ended; -1 when the kernel has none
};

}  // namespace sendrun
