#include "bench_load.h"

#include <string>

#include "bench_process.h"
#include "bench_store.h"
#include "temp_folder.h"

namespace bench {

namespace {

constexpr double kTargetRatio = 1.5;

}  // namespace

std::vector<Check> compareLoad(long recipients, int runs) {
    const TempFolder folder;
    writeLargeStore(folder.path(), recipients);
    const std::string count = std::to_string(recipients);
    Check time{"load " + count + " time", "window load", "bare setText", "ms", kTargetRatio};
    Check memory{"load " + count + " memory", "window peak", "bare peak", "MiB", kTargetRatio};
    for (int run = 0; run < runs; ++run) {
        const Sample window = runChild({"--window", folder.path(), count});
        const Sample bare = runChild({"--bare", count});
        time.oursValues.push_back(window.millis);
        time.baselineValues.push_back(bare.millis);
        memory.oursValues.push_back(double(window.peakKib) / 1024.0);
        memory.baselineValues.push_back(double(bare.peakKib) / 1024.0);
    }
    return {time, memory};
}

}  // namespace bench
