#pragma once

#include <vector>

#include "bench_report.h"

namespace bench {

// The longest the window stops answering during each action of a day's work on a group
// of `recipients` lines, one fresh store and process per run. The target is absolute: a
// longest gap of at most 100 ms, shown as a ratio to it. Each action is measured without an
// assistive tool and with a screen reader listening. Prints each action's total time.
std::vector<Check> compareStalls(long recipients, int runs);

}  // namespace bench
