#pragma once

#include <string>
#include <vector>

#include "bench_report.h"

namespace bench {

// Child run: loads "bulk" and times the delete-group button from the press to its box.
int runGroupDelete(int argc, char** argv, const std::string& appPath, long recipients);

// Deleting group 1 of a store of 2 x recipients lines in two groups, against cp + sync of
// the list.txt it leaves. The store is written afresh before every run.
std::vector<Check> compareGroupDelete(long recipients, int runs);

}  // namespace bench
