#pragma once

#include <optional>
#include <string>
#include <vector>

#include "bench_screen_reader.h"

namespace bench {

// The actions the stall benchmark runs, in order, each named as its output line names it.
const std::vector<std::string>& stallActionNames();

// One measured run in a process of its own: loads "bulk", then runs every action in
// order on the shown window and prints "STALL <index> <longest gap ms> <total ms>" per
// action, then "QUIT <ms>" for the window's end during a last load. With `screenReader`, a
// screen reader listens throughout, taking the text of edits as it says. Returns 1 when an action
// did not do what it should.
int runStalls(int argc, char** argv, const std::string& appPath, long recipients,
              std::optional<EditText> screenReader);

}  // namespace bench
