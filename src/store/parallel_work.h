#pragma once

#include <functional>

// Work on a second thread, for the layers below the window, which cannot use the window's
// off-thread module: the one place here that starts a thread.
namespace store::parallel {

// More than one core to run on: splitting work in two only pays then.
bool severalCores();

// Runs `side` on a thread of its own while `main` runs on the caller's, and returns once
// both have ended, on every path. What `main` throws comes first, then what `side` threw.
// When no thread can be started, `side` runs after `main`, on the caller's thread.
void alongside(const std::function<void()>& side, const std::function<void()>& main);

// Runs `work` on a thread of its own that nobody waits for; at once, on the caller's
// thread, when no thread can be started.
void detached(std::function<void()> work);

}  // namespace store::parallel
