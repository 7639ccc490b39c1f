#pragma once

#include <functional>
#include <string>

namespace sendrun {

// Opens the address in the user's browser through the desktop's opener, started in the
// folder with the address as its one argument, and waits until the opener has ended:
// the pending events first, a 500 ms pause, then 50 ms waits with the events processed
// after each. processEvents may run anything, this check included. false, without any
// wait, when the opener cannot be started.
bool openAndWait(const std::string& address, const std::string& folder,
                 const std::function<void()>& processEvents);

}  // namespace sendrun
