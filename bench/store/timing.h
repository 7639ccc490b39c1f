#pragma once

#include <chrono>
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

}  // namespace benchstore
