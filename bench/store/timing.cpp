#include "timing.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace benchstore {

double Stopwatch::seconds() const {
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start_).count();
}

double median(std::vector<double> values) {
    if (values.empty()) return 0.0;
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2.0;
}

int runsFromArguments(int argc, char** argv) {
    if (argc > 2) {
        std::fprintf(stderr, "usage: %s [runs]\n", argv[0]);
        return 0;
    }
    return argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
}

}  // namespace benchstore
