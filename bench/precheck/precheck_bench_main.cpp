// The pre-send check's volume count where it costs most, medians of alternating runs:
//   precheck_bench [runs]
// loading optout.txt and counting list.txt's recipients per domain without the opted-out
// lines, on 2,000,000 lines with 100,000 opt-outs, against mawk doing the same join and
// count. A missed target is measured once more; exits 1 when it is missed again.
#include <cstdio>
#include <filesystem>
#include <stdexcept>
#include <string>
#include <vector>

#include "external_command.h"
#include "list_generator.h"
#include "optout_data.h"
#include "precheck/domain_volume.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "temp_folder.h"
#include "timing.h"

namespace {

constexpr std::size_t kListLines = 2000000;
constexpr std::size_t kOptOutStep = 20;  // 100,000 opt-outs
constexpr double kTarget = 0.5;          // ours / mawk
const char* const kProject = "bench";
const char* const kAwkCount =
    "NR==FNR{a[tolower($1)];next} $1!=\"\" && !(tolower($1) in a){n=split($1,p,\"@\");"
    "c[n>1?tolower(p[n]):\"\"]++} END{for(d in c) print c[d]}";

std::size_t awkTotal(const std::string& path) {
    std::size_t total = 0;
    const std::string text = store::textfile::readAll(path);
    for (std::size_t pos = 0; pos < text.size();) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        total += std::stoul(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return total;
}

}  // namespace

int main(int argc, char** argv) {
    try {
        const int runs = benchstore::runsFromArguments(argc, argv);
        if (runs == 0) return 2;
        const bench::TempFolder temp;
        const std::string& folder = temp.path();
        const std::string app = folder + "app/";
        std::filesystem::create_directories(app + "Mail/" + kProject);
        const store::ProjectStore store(app);
        const std::string listPath = store.listPath(kProject);
        const std::string awkOptOut = folder + "optout-lf.txt", awkOut = folder + "awk-out.txt";
        benchstore::writeRecipientList(listPath, kListLines, 10);
        const std::size_t optOuts = benchoptout::writeOptOutFiles(
            listPath, kOptOutStep, store.optOutPath(), awkOptOut, folder + "field.txt", 1);
        const std::vector<std::string> awk = {"mawk", "-F,", kAwkCount, awkOptOut, listPath};

        const precheck::Volume volume =
            precheck::projectVolume(store, kProject, recipients::loadOptOutList(store));
        benchstore::runCommand(awk, awkOut);
        if (awkTotal(awkOut) != volume.recipients) {
            std::fprintf(stderr, "mawk counts %zu recipients, the check %zu\n", awkTotal(awkOut),
                         volume.recipients);
            return 1;
        }
        std::printf(
            "list.txt %zu lines, %zu opt-outs, %zu recipients left in %zu domains; "
            "median of %d runs\n",
            kListLines, optOuts, volume.recipients, volume.domains.size(), runs);

        const auto measure = [&] {
            std::vector<double> ours, base;
            for (int r = 0; r < runs; ++r) {
                benchstore::Stopwatch watch;
                const precheck::Volume again =
                    precheck::projectVolume(store, kProject, recipients::loadOptOutList(store));
                ours.push_back(watch.seconds() * 1000.0);
                if (again.recipients != volume.recipients)
                    throw std::runtime_error("the count changed between runs");
                benchstore::Stopwatch awkWatch;
                benchstore::runCommand(awk, awkOut);
                base.push_back(awkWatch.seconds() * 1000.0);
            }
            const double o = benchstore::median(ours), b = benchstore::median(base);
            const double ratio = b > 0 ? o / b : 0;
            const bool met = ratio <= kTarget;
            std::printf(
                "  %-20s ours %9.1f ms    mawk %9.1f ms    ratio %.2f (target <= %.1f) %s\n",
                "domain count", o, b, ratio, kTarget, met ? "met" : "MISSED");
            return met;
        };
        return benchstore::onceMoreIfMissed(measure) ? 0 : 1;
    } catch (const std::exception& error) {
        std::fprintf(stderr, "pre-send check benchmark failed: %s\n", error.what());
        return 1;
    }
}
