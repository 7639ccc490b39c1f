#pragma once

#include <vector>

#include "bench_report.h"

namespace bench {

// Loading group 0 of a store of 2 x recipients lines into the window, against the same
// text put into a bare editor: time and peak memory, each run in fresh processes.
std::vector<Check> compareLoad(long recipients, int runs);

}  // namespace bench
