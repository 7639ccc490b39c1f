#pragma once

#include <string>
#include <vector>

#include "bench_report.h"

namespace bench {

// Child runs with the window shown and the project list filled: adding the named project,
// and picking and deleting it, each timed from the press to its information box.
int runProjectAdd(int argc, char** argv, const std::string& appPath, const std::string& name);
int runProjectDelete(int argc, char** argv, const std::string& appPath, const std::string& name);

// Adding and then deleting a project with that many projects listed, each against cp +
// sync of the project.ini it leaves.
std::vector<Check> compareProjects(long projects, int runs);

}  // namespace bench
