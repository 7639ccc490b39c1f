#pragma once

#include <string>
#include <vector>

#include "bench_report.h"

namespace bench {

// Child runs, each in a process of its own. Both load "bulk" and show group 1; the save
// run then times the save button from the press to its information box. Both report
// their peak memory.
int runGroupLoad(int argc, char** argv, const std::string& appPath, long recipients);
int runGroupSave(int argc, char** argv, const std::string& appPath, long recipients);

// Saving group 1 of a store of 2 x recipients lines, against cp + sync of the list.txt
// it leaves; and the peak memory of loading and saving, against loading alone.
std::vector<Check> compareGroupSave(long recipients, int runs);

}  // namespace bench
