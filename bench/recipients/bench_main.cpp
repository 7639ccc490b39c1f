// Importing a large recipient file against loading a group of the same size into the
// recipient field, medians of runs in fresh processes, alternating:
//   recipients_bench [runs]
// Exits 1 when a target is missed.
#include <stdlib.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_child.h"
#include "bench_files.h"
#include "bench_process.h"
#include "temp_folder.h"
#include "timing.h"

namespace {

constexpr long kRows = 1000000;
constexpr double kTimeTarget = 3.0;
constexpr double kMemoryTarget = 2.0;

struct Figures {
    std::vector<double> ours, baseline;
    double ratio() const { return benchstore::median(ours) / benchstore::median(baseline); }
};

bool report(const char* what, const char* unit, const Figures& f, double target) {
    const double ratio = f.ratio();
    const bool met = ratio <= target;
    std::printf("  %-22s import %9.1f %s   group load %9.1f %s   ratio %.2f (target <= %.1f) %s\n",
                what, benchstore::median(f.ours), unit, benchstore::median(f.baseline), unit, ratio,
                target, met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    try {
        if (argc == 4 && std::strcmp(argv[1], "--load") == 0)
            return benchrecipients::measureGroupLoad(argc, argv, argv[2], std::stol(argv[3]));
        if (argc == 5 && std::strcmp(argv[1], "--import") == 0)
            return benchrecipients::measureImport(argc, argv, argv[2], argv[3], std::stol(argv[4]));
        const int runs = benchstore::runsFromArguments(argc, argv);
        if (runs == 0) return 2;

        const bench::TempFolder temp;
        const std::string& folder = temp.path();
        const std::string loadApp = folder + "load/";
        const std::string importApp = folder + "import/";
        std::filesystem::create_directories(loadApp);
        std::filesystem::create_directories(importApp);
        benchrecipients::writeGroupStore(loadApp, kRows);
        const std::string csv = folder + "customers.csv";
        const long distinct = benchrecipients::writeCustomerCsv(csv, kRows);

        std::printf(
            "recipient import, %ld-row Shift-JIS CSV (2%% duplicates, 1%% invalid) "
            "against loading a %ld-recipient group, median of %d runs\n",
            kRows, kRows, runs);
        Figures time, memory;
        for (int run = 0; run < runs; ++run) {
            const auto load = bench::runChild({"--load", loadApp, std::to_string(kRows)});
            const auto import =
                bench::runChild({"--import", importApp, csv, std::to_string(distinct)});
            time.ours.push_back(import.millis);
            time.baseline.push_back(load.millis);
            memory.ours.push_back(double(import.peakKib) / 1024.0);
            memory.baseline.push_back(double(load.peakKib) / 1024.0);
        }
        const bool timeMet = report("time", "ms ", time, kTimeTarget);
        const bool memoryMet = report("peak memory", "MiB", memory, kMemoryTarget);
        return timeMet && memoryMet ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "recipient benchmark failed: %s\n", error.what());
        return 1;
    }
}
