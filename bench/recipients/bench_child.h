#pragma once

#include <string>
#include <vector>

namespace benchrecipients {

struct Sample {
    double millis = 0;
    long peakKib = 0;
};

// Runs this executable again with the arguments and reads its "RESULT <ms> <KiB>" line;
// a fresh process per run keeps each run's peak memory its own.
Sample runChild(const std::vector<std::string>& args);

// The measured runs, each in its own process.
// Picks the project: its one group goes into the recipient field.
int measureGroupLoad(int argc, char** argv, const std::string& appPath, long recipients);
// Imports the CSV into the empty field and appends what the report offers.
int measureImport(int argc, char** argv, const std::string& appPath, const std::string& csv,
                  long expected);

}  // namespace benchrecipients
