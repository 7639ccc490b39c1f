// Loading a large mail group: the settings window against a bare editor, median of runs.
//   settings_bench [runs]        measures 1,000,000 and 100,000 recipients
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bench_process.h"
#include "bench_runs.h"
#include "bench_store.h"

namespace {

constexpr double kTargetRatio = 1.5;

template <typename T>
T median(std::vector<T> values) {
    std::sort(values.begin(), values.end());
    const std::size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

struct Medians {
    double millis;
    double peakMib;
};

Medians medians(const std::vector<bench::Sample>& samples) {
    std::vector<double> millis, peaks;
    for (const auto& s : samples) {
        millis.push_back(s.millis);
        peaks.push_back(double(s.peakKib) / 1024.0);
    }
    return {median(millis), median(peaks)};
}

bool measure(long recipients, int runs) {
    std::string folder =
        (std::filesystem::temp_directory_path() / "settings-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) {
        std::perror("mkdtemp");
        return false;
    }
    folder += "/";
    bench::writeLargeStore(folder, recipients);

    const std::string count = std::to_string(recipients);
    std::vector<bench::Sample> window, bare;
    for (int run = 0; run < runs; ++run) {
        window.push_back(bench::runChild({"--window", folder, count}));
        bare.push_back(bench::runChild({"--bare", count}));
    }
    std::filesystem::remove_all(folder);

    const Medians w = medians(window);
    const Medians b = medians(bare);
    const double timeRatio = w.millis / b.millis;
    const double memoryRatio = w.peakMib / b.peakMib;
    const bool ok = timeRatio <= kTargetRatio && memoryRatio <= kTargetRatio;
    std::printf("%9ld recipients (list.txt %ld lines), median of %d runs\n", recipients,
                2 * recipients, runs);
    std::printf("  window load : %8.1f ms  peak %7.1f MiB\n", w.millis, w.peakMib);
    std::printf("  bare setText: %8.1f ms  peak %7.1f MiB\n", b.millis, b.peakMib);
    std::printf("  ratio       : time %.2fx  memory %.2fx  (target <= %.1fx)  %s\n\n", timeRatio,
                memoryRatio, kTargetRatio, ok ? "ok" : "MISSED");
    std::fflush(stdout);
    return ok;
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc == 4 && std::strcmp(argv[1], "--window") == 0)
        return bench::measureWindowLoad(argc, argv, argv[2], std::stol(argv[3]));
    if (argc == 3 && std::strcmp(argv[1], "--bare") == 0)
        return bench::measureBareEditor(argc, argv, std::stol(argv[2]));

    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
    bool ok = true;
    for (long recipients : {1000000L, 100000L}) ok = measure(recipients, runs) && ok;
    return ok ? 0 : 1;
}
