#include "bench_stall_meter.h"

#include <cstdio>

#include "bench_gap_watch.h"
#include "timing.h"

namespace bench {

void printStall(std::size_t index, const GapWatch& watch) {
    std::printf("STALL %zu %.3f %.3f\n", index, watch.longestGapMs(), watch.totalMs());
    std::fflush(stdout);
}

bool runStallActions(const std::vector<StallAction>& actions, const std::vector<std::string>& names,
                     int tailMs, const std::function<void()>& ready,
                     const std::function<bool()>& done) {
    for (std::size_t i = 0; i < actions.size(); ++i) {
        const StallAction& action = actions[i];
        if (action.untimed) {
            action.untimed();
            ready();
        }
        GapWatch watch(action.done ? action.done : done);
        watch.measure(action.run, tailMs);
        if (!action.check()) {
            std::fprintf(stderr, "%s did not do what it should\n", names[i].c_str());
            return false;
        }
        printStall(i, watch);
    }
    return true;
}

StallTable::StallTable(const std::string& label_, const std::vector<std::string>& names_)
    : label(label_), names(names_), totals(names_.size()) {
    for (const std::string& name : names)
        gaps.emplace_back(label + name, "longest gap", "limit", "ms", 1.0);
}

bool StallTable::take(const std::string& line) {
    std::size_t index = 0;
    double gap = 0, total = 0;
    if (std::sscanf(line.c_str(), "STALL %zu %lf %lf", &index, &gap, &total) != 3 ||
        index >= names.size())
        return false;
    gaps[index].oursValues.push_back(gap);
    gaps[index].baselineValues.push_back(kLongestGapMs);
    totals[index].push_back(total);
    return true;
}

void StallTable::printTotal(std::size_t index) const {
    std::printf("  %s%-24s total %8.1f ms (median)\n", label.c_str(), names[index].c_str(),
                benchstore::median(totals[index]));
}

}  // namespace bench
