#pragma once

#include <functional>
#include <string>
#include <vector>

namespace bench {

// One target: our figures against a baseline's, taken in the same runs.
struct Check {
    Check(std::string what, std::string ours, std::string baseline, std::string unit,
          double target);

    std::string what;      // e.g. "group save time"
    std::string ours;      // what our figure is
    std::string baseline;  // what the baseline's is
    std::string unit;      // "ms" or "MiB"
    double target;         // the largest median ratio that passes
    std::vector<double> oursValues;
    std::vector<double> baselineValues;

    double ratio() const;  // median over median
    bool met() const;
};

// Measures and returns the checks of one comparison; throws when a run fails.
using Comparison = std::function<std::vector<Check>()>;

// One line of the closing summary.
struct Verdict {
    std::string what;
    std::vector<double> ratios;  // the first measurement's, then the second's if one was taken
    double target = 0;
    bool met = false;
    std::string error;  // why it could not be measured
};

// Measures and prints every check; when a target is missed, measures the whole comparison
// once more, as one slow run on a shared machine says little. A target fails only when
// both measurements miss it.
std::vector<Verdict> runComparison(const std::string& title, const Comparison& compare);

// Prints one line per target and the overall result under the suite's name ("settings
// benchmark"); true when every target was met.
bool printSummary(const std::string& suite, const std::vector<Verdict>& verdicts);

}  // namespace bench
