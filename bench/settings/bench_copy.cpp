#include "bench_copy.h"

#include <unistd.h>

#include "external_command.h"
#include "timing.h"

namespace bench {

double copyAndSyncMillis(const std::string& path) {
    const std::string copy = path + ".bench-copy";
    ::unlink(copy.c_str());
    const benchstore::Stopwatch watch;
    benchstore::runCommand({"cp", path, copy}, "/dev/null");
    benchstore::runCommand({"sync", copy}, "/dev/null");
    const double millis = watch.seconds() * 1000.0;
    ::unlink(copy.c_str());
    return millis;
}

}  // namespace bench
