#pragma once

#include <chrono>
#include <cstdio>
#include <vector>

namespace benchstore {

class Stopwatch {
public:
    Stopwatch() : start_(std::chrono::steady_clock::now()) {}
    double seconds() const;

private:
    std::chrono::steady_clock::time_point start_;
};

// Middle value (mean of the two middle ones for an even count); 0 for none.
double median(std::vector<double> values);

// The run count of a suite's command line "[runs]": at least 3, 5 when none is given;
// 0, with the usage printed, for any other command line.
int runsFromArguments(int argc, char** argv);

// A machine shared with other work gives the odd slow series: a missed target is measured
// once more, both figures are printed, and only a second miss counts.
template <typename Measure>
bool onceMoreIfMissed(const Measure& measure) {
    if (measure()) return true;
    std::printf("      measured once more:\n");
    return measure();
}

}  // namespace benchstore
