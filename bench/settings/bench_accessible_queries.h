#pragma once

#include <vector>

#include "bench_report.h"

namespace bench {

// What a screen reader asks of the recipient field at the end of `lines` lines, with an edit
// at the end before each ask: the character count and the line at an offset, each at most
// 1 ms (median), shown as a ratio to that limit. Runs in fresh processes.
std::vector<Check> compareAccessibleQueries(long lines, int runs);

// One measured run in a process of its own; prints "QUERIES <count ms> <line ms>", the
// medians of its asks.
int runAccessibleQueries(int argc, char** argv, long lines);

}  // namespace bench
