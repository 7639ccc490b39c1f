#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <vector>

#include "bench_report.h"

namespace bench {

class GapWatch;

// The longest a window may stop answering during one user action.
inline constexpr double kLongestGapMs = 100;

// A measuring run's line for action `index`: "STALL <index> <longest gap ms> <total ms>".
void printStall(std::size_t index, const GapWatch& watch);

// One user action of a measuring run.
struct StallAction {
    std::function<void()> untimed;  // puts the window where the action starts, if needed
    std::function<void()> run;
    std::function<bool()> check;           // what the action must have done
    std::function<bool()> done = nullptr;  // its work has ended; none: the run's own `done`
};

// Times each action with a gap watch, `tailMs` past its end, and prints its STALL line.
// After an untimed part, `ready` waits for the window to be where the action starts.
// False, with the action's name, when one did not do what it should.
bool runStallActions(const std::vector<StallAction>& actions, const std::vector<std::string>& names,
                     int tailMs, const std::function<void()>& ready,
                     const std::function<bool()>& done);

// One listening mode's figures over its runs: per action a check of the longest gap against
// the limit, and the action's total times.
struct StallTable {
    // Each check is named `label` + the action's name.
    StallTable(const std::string& label, const std::vector<std::string>& names);

    // Takes a printed STALL line; false for any other line.
    bool take(const std::string& line);
    // Prints action `index`'s median total time.
    void printTotal(std::size_t index) const;

    std::string label;
    std::vector<std::string> names;
    std::vector<Check> gaps;
    std::vector<std::vector<double>> totals;
};

}  // namespace bench
