#include "sendrun/runtime_check.h"

#include <chrono>
#include <thread>

#include "sendrun/child_process.h"

namespace sendrun {

namespace {

// Opens an address in the preferred browser on freedesktop systems.
const char* const kOpener = "xdg-open";

constexpr std::chrono::milliseconds kFirstPause{500};
constexpr std::chrono::milliseconds kWaitStep{50};

}  // namespace

bool openAndWait(const std::string& address, const std::string& folder,
                 const std::function<void()>& processEvents) {
    ChildProcess opener;
    if (!opener.start(kOpener, {address}, folder)) return false;
    processEvents();
    std::this_thread::sleep_for(kFirstPause);
    ChildProcess::Wait result;
    do {
        result = opener.waitFor(kWaitStep);
        processEvents();
    } while (result == ChildProcess::Wait::TimedOut);
    return true;
}

}  // namespace sendrun
