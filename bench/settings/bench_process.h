#pragma once

#include <string>
#include <vector>

namespace bench {

struct Sample {
    double millis = 0;
    long peakKib = 0;
};

// The peak resident set of this process so far (VmHWM), in KiB.
long peakResidentKib();

// Runs this executable again with the arguments and returns what it printed.
std::string runChildOutput(const std::vector<std::string>& args);

// Runs this executable again with the arguments and reads the "RESULT <ms> <KiB>" line it
// prints; a fresh process per run keeps the peak memory of one run apart from the others.
Sample runChild(const std::vector<std::string>& args);

void printResult(const Sample& sample);

}  // namespace bench
