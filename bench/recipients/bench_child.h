#pragma once

#include <string>
#include <vector>

namespace benchrecipients {

// The measured runs, each in its own process.
// Picks the project: its one group goes into the recipient field.
int measureGroupLoad(int argc, char** argv, const std::string& appPath, long recipients);
// Imports the CSV into the empty field and appends what the report offers.
int measureImport(int argc, char** argv, const std::string& appPath, const std::string& csv,
                  long expected);

}  // namespace benchrecipients
