#include "bench_stall.h"

#include <algorithm>
#include <cstdio>
#include <sstream>
#include <stdexcept>
#include <string>

#include "bench_process.h"
#include "bench_stall_meter.h"
#include "bench_stall_runs.h"
#include "bench_store.h"
#include "temp_folder.h"
#include "timing.h"

namespace bench {

namespace {

// From the window's end to the last job's end, when it ends during a large load.
constexpr double kQuitMs = 1000;

}  // namespace

std::vector<Check> compareStalls(long recipients, int runs) {
    const std::vector<std::string>& names = stallActionNames();
    // Where a swap of the whole list is told: with a reader of every character, only there.
    const std::vector<std::string> swaps = {"pick the project", "group 2 -> group 1",
                                            "import, 置換"};
    const struct {
        const char* mode;
        const char* label;
        const std::vector<std::string>& shown;
    } listeners[] = {{"--stalls", "stall: ", names},
                     {"--stalls-screen-reader", "stall, screen reader: ", names},
                     {"--stalls-reading-screen-reader", "stall, reader of every event: ", swaps}};
    std::vector<Check> gaps;
    Check quit("quit while a list loads", "until the last job ended", "limit", "ms", 1.0);
    for (const auto& listener : listeners) {
        StallTable table(listener.label, names);
        for (int run = 0; run < runs; ++run) {
            const TempFolder folder;
            writeLargeStore(folder.path(), recipients);
            const std::string output =
                runChildOutput({listener.mode, folder.path(), std::to_string(recipients)});
            std::istringstream lines(output);
            std::string line;
            std::size_t seen = 0;
            bool quitSeen = false;
            while (std::getline(lines, line)) {
                double total = 0;
                if (std::sscanf(line.c_str(), "QUIT %lf", &total) == 1) {
                    quit.oursValues.push_back(total);
                    quit.baselineValues.push_back(kQuitMs);
                    quitSeen = true;
                    continue;
                }
                seen += table.take(line);
            }
            if (seen != names.size() || !quitSeen)
                throw std::runtime_error("a stall run stopped early: " + output);
        }
        for (std::size_t i = 0; i < names.size(); ++i) {
            if (std::find(listener.shown.begin(), listener.shown.end(), names[i]) ==
                listener.shown.end())
                continue;
            table.printTotal(i);
            gaps.push_back(std::move(table.gaps[i]));
        }
    }
    gaps.push_back(std::move(quit));
    return gaps;
}

}  // namespace bench
