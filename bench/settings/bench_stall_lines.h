#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "bench_report.h"

namespace bench {

class GapWatch;

// The longest a window may stop answering during one user action.
inline constexpr double kLongestGapMs = 100;

// A measuring run's line for action `index`: "STALL <index> <longest gap ms> <total ms>".
void printStall(std::size_t index, const GapWatch& watch);

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
