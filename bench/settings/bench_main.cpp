// The settings window against plain baselines, medians of runs in fresh processes:
//   settings_bench [runs]
//   settings_bench --stalls-only
// loading a large mail group, saving it, deleting the last group, adding and deleting a
// project among many; how long the window stops answering during a day's work on a large
// group, with and without a screen reader; and what a screen reader's asks cost there. Exits 1 when
// a target is missed twice in a row.
#include <stdlib.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "bench_accessible_queries.h"
#include "bench_group_delete.h"
#include "bench_group_save.h"
#include "bench_load.h"
#include "bench_load_runs.h"
#include "bench_projects.h"
#include "bench_report.h"
#include "bench_stall.h"
#include "bench_stall_runs.h"

namespace {

constexpr long kRecipients = 1000000;
constexpr long kSmallRecipients = 100000;
constexpr long kProjects = 10000;

bool is(const char* arg, const char* mode) {
    return std::strcmp(arg, mode) == 0;
}

// The measuring runs this executable starts; -1 when the arguments name none.
int runChildMode(int argc, char** argv) {
    if (argc == 3 && is(argv[1], "--bare"))
        return bench::measureBareEditor(argc, argv, std::stol(argv[2]));
    if (argc == 3 && is(argv[1], "--queries"))
        return bench::runAccessibleQueries(argc, argv, std::stol(argv[2]));
    if (argc != 4) return -1;
    const std::string folder = argv[2];
    if (is(argv[1], "--window"))
        return bench::measureWindowLoad(argc, argv, folder, std::stol(argv[3]));
    if (is(argv[1], "--group-load"))
        return bench::runGroupLoad(argc, argv, folder, std::stol(argv[3]));
    if (is(argv[1], "--stalls"))
        return bench::runStalls(argc, argv, folder, std::stol(argv[3]), std::nullopt);
    if (is(argv[1], "--stalls-screen-reader"))
        return bench::runStalls(argc, argv, folder, std::stol(argv[3]), bench::EditText::Held);
    if (is(argv[1], "--stalls-reading-screen-reader"))
        return bench::runStalls(argc, argv, folder, std::stol(argv[3]), bench::EditText::Read);
    if (is(argv[1], "--group-save"))
        return bench::runGroupSave(argc, argv, folder, std::stol(argv[3]));
    if (is(argv[1], "--group-delete"))
        return bench::runGroupDelete(argc, argv, folder, std::stol(argv[3]));
    if (is(argv[1], "--project-add")) return bench::runProjectAdd(argc, argv, folder, argv[3]);
    if (is(argv[1], "--project-delete"))
        return bench::runProjectDelete(argc, argv, folder, argv[3]);
    return -1;
}

std::string runsText(int runs) {
    return ", median of " + std::to_string(runs) + " runs";
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    if (argc > 2) {
        try {
            const int rc = runChildMode(argc, argv);
            if (rc >= 0) return rc;
        } catch (const std::exception& error) {
            std::fprintf(stderr, "measuring run failed: %s\n", error.what());
            return 1;
        }
        std::fprintf(stderr, "usage: %s [runs]\n", argv[0]);
        return 2;
    }

    if (argc == 2 && is(argv[1], "--stalls-only")) {
        auto verdicts = bench::runComparison(
            "longest stall of the window per action, 1000000 recipients, median of 3 runs",
            [] { return bench::compareStalls(kRecipients, 3); });
        for (auto& v : bench::runComparison(
                 "a screen reader's asks at the end of 1000000 lines, median of 3 runs",
                 [] { return bench::compareAccessibleQueries(kRecipients, 3); }))
            verdicts.push_back(std::move(v));
        return bench::printSummary("settings benchmark", verdicts) ? 0 : 1;
    }
    const int runs = argc > 1 ? std::max(3, std::atoi(argv[1])) : 5;
    const std::string bigList = "1000000 recipients (list.txt 2000000 lines)";
    const struct {
        std::string title;
        bench::Comparison compare;
    } comparisons[] = {
        {"load, " + bigList + runsText(runs),
         [&] { return bench::compareLoad(kRecipients, runs); }},
        {"load, 100000 recipients (list.txt 200000 lines)" + runsText(runs),
         [&] { return bench::compareLoad(kSmallRecipients, runs); }},
        {"group save of group 1, " + bigList + runsText(runs),
         [&] { return bench::compareGroupSave(kRecipients, runs); }},
        {"group delete of group 1 of 2, " + bigList + runsText(runs),
         [&] { return bench::compareGroupDelete(kRecipients, runs); }},
        // Fixed at 3 rounds: each runs the whole day's sequence, about 10 s.
        {"longest stall of the window per action, " + bigList + runsText(3),
         [&] { return bench::compareStalls(kRecipients, 3); }},
        {"a screen reader's asks at the end of 1000000 lines" + runsText(3),
         [&] { return bench::compareAccessibleQueries(kRecipients, 3); }},
        // A few milliseconds each, so more runs to steady the medians against disk noise.
        {"project add and delete, 10000 projects listed" + runsText(3 * runs),
         [&] { return bench::compareProjects(kProjects, 3 * runs); }},
    };
    std::vector<bench::Verdict> verdicts;
    for (const auto& c : comparisons) {
        for (auto& v : bench::runComparison(c.title, c.compare)) verdicts.push_back(std::move(v));
    }
    return bench::printSummary("settings benchmark", verdicts) ? 0 : 1;
}
