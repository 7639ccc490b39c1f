// store_bench <app-folder> <project> [group] [runs]
//
// Times reading group n's recipients and storing group n (with its current recipients as
// the field text) against two baselines measured in the same run on the same list.txt:
// an awk one-liner printing the first field of the group's lines, and cp of the file
// followed by sync of the copy. Also times the check of typed recipient lines over a field
// of 1,000,000 of the group's addresses against a fixed limit. Prints medians and ratios;
// a missed target is measured once more, and the run exits 1 when it is missed again.
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <exception>
#include <stdexcept>
#include <string>
#include <vector>

#include "external_command.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "store/typed_recipients.h"
#include "timing.h"

using benchstore::median;
using benchstore::runCommand;
using benchstore::Stopwatch;

namespace {

constexpr double kReadTarget = 0.6;   // ours / awk
constexpr double kStoreTarget = 2.0;  // ours / cp + sync
constexpr double kCheckLimit = 0.1;   // seconds for kCheckLines typed lines
constexpr std::size_t kCheckLines = 1000000;

struct Series {
    std::vector<double> ours;
    std::vector<double> baseline;
};

std::vector<std::string> awkCommand(const std::string& listPath, int group) {
    // The lines end in CR LF, so the second field carries the CR.
    return {"awk", "-F,", "$2==\"" + std::to_string(group) + "\\r\"{print $1}", listPath};
}

double timeAwk(const std::string& listPath, int group) {
    Stopwatch watch;
    runCommand(awkCommand(listPath, group), "/dev/null");
    return watch.seconds();
}

// The copy overwrites the previous one, as the store replaces the old list.
double timeCopyAndSync(const std::string& listPath, const std::string& copyPath) {
    Stopwatch watch;
    runCommand({"cp", listPath, copyPath}, "/dev/null");
    runCommand({"sync", copyPath}, "/dev/null");
    return watch.seconds();
}

// The baseline is only fair when it finds the same recipients.
bool awkAgrees(const std::string& listPath, int group, const std::string& recipients,
               const std::string& scratchPath) {
    runCommand(awkCommand(listPath, group), scratchPath);
    const std::string printed = store::textfile::readAll(scratchPath);
    ::unlink(scratchPath.c_str());
    return printed == (recipients.empty() ? recipients : recipients + "\n");
}

std::size_t countLines(const std::string& text) {
    std::size_t n = 0;
    for (char c : text) n += c == '\n';
    return n;
}

std::string spread(const std::vector<double>& v) {
    const auto [lo, hi] = std::minmax_element(v.begin(), v.end());
    char text[48];
    std::snprintf(text, sizeof text, "(%.3f-%.3f)", *lo, *hi);
    return text;
}

bool report(const char* what, const char* baselineName, const Series& s, double target) {
    const double ours = median(s.ours);
    const double base = median(s.baseline);
    const double ratio = base > 0 ? ours / base : 0;
    const bool met = ratio <= target;
    std::printf("%-5s ours %.3f s %-15s %-7s %.3f s %-15s ratio %.2f (target <= %.1f) %s\n", what,
                ours, spread(s.ours).c_str(), baselineName, base, spread(s.baseline).c_str(), ratio,
                target, met ? "met" : "MISSED");
    return met;
}

// A recipient field of exactly n lines made of the group's addresses, repeated as needed.
std::string typedField(const std::string& recipients, std::size_t n) {
    std::string field;
    if (recipients.empty()) return field;
    field.reserve(n * 32);
    std::size_t lines = 0;
    std::size_t pos = 0;
    while (lines < n) {
        std::size_t end = recipients.find('\n', pos);
        if (end == std::string::npos) end = recipients.size();
        field.append(recipients, pos, end - pos);
        field += "\r\n";
        ++lines;
        pos = end < recipients.size() ? end + 1 : 0;
    }
    return field;
}

bool reportCheck(const std::vector<double>& times, std::size_t bytes) {
    const double ours = median(times);
    const bool met = ours <= kCheckLimit;
    std::printf("check ours %.3f s %-15s %zu typed lines, %.1f MB  (target <= %.3f s) %s\n", ours,
                spread(times).c_str(), kCheckLines, bytes / 1e6, kCheckLimit,
                met ? "met" : "MISSED");
    return met;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 3 || argc > 5) {
        std::fprintf(stderr, "usage: %s <app-folder> <project> [group] [runs]\n", argv[0]);
        return 2;
    }
    try {
        const store::ProjectStore projects(argv[1]);
        const std::string project = argv[2];
        const int group = argc > 3 ? std::stoi(argv[3]) : 0;
        const int runs = argc > 4 ? std::stoi(argv[4]) : 7;
        const std::string listPath = projects.listPath(project);
        const std::string copyPath = projects.appPath() + "list-copy.txt";
        const std::string scratchPath = projects.appPath() + "awk-output.txt";
        if (!store::textfile::fileExists(listPath)) {
            std::fprintf(stderr, "no list at %s\n", listPath.c_str());
            return 2;
        }

        const std::string recipients = projects.readRecipients(project, group);
        // Once untimed: the stored file puts the group last, as every later store keeps it.
        projects.storeRecipients(project, group, recipients);
        if (projects.readRecipients(project, group) != recipients) {
            std::fprintf(stderr, "storing the group changed its recipients\n");
            return 1;
        }
        if (!awkAgrees(listPath, group, recipients, scratchPath)) {
            std::fprintf(stderr, "awk finds other recipients than the store\n");
            return 1;
        }
        struct stat st {};
        ::stat(listPath.c_str(), &st);
        std::printf("list.txt %.1f MB, group %d: %zu recipients, %d runs each (medians)\n",
                    st.st_size / 1e6, group, countLines(recipients) + !recipients.empty(), runs);

        timeCopyAndSync(listPath, copyPath);
        const auto readAgainstAwk = [&] {
            Series series;
            for (int r = 0; r < runs; ++r) {
                Stopwatch watch;
                const std::string got = projects.readRecipients(project, group);
                series.ours.push_back(watch.seconds());
                if (got.size() != recipients.size()) throw std::runtime_error("read changed");
                series.baseline.push_back(timeAwk(listPath, group));
            }
            return report("read", "awk", series, kReadTarget);
        };
        const auto storeAgainstCopy = [&] {
            Series series;
            for (int r = 0; r < runs; ++r) {
                Stopwatch watch;
                projects.storeRecipients(project, group, recipients);
                series.ours.push_back(watch.seconds());
                series.baseline.push_back(timeCopyAndSync(listPath, copyPath));
            }
            return report("store", "cp+sync", series, kStoreTarget);
        };
        // The generated addresses all read back, so nothing may be refused.
        const std::string field = typedField(recipients, kCheckLines);
        const auto checkTyped = [&] {
            std::vector<double> times;
            for (int r = 0; r < runs; ++r) {
                Stopwatch watch;
                const auto result =
                    store::recipients::checkTypedLines(field, std::to_string(group));
                times.push_back(watch.seconds());
                if (result.refused != 0) {
                    throw std::runtime_error("the check refused a stored address");
                }
            }
            return reportCheck(times, field.size());
        };

        const bool readMet = benchstore::onceMoreIfMissed(readAgainstAwk);
        const bool storeMet = benchstore::onceMoreIfMissed(storeAgainstCopy);
        ::unlink(copyPath.c_str());
        const bool checkMet = field.empty() || benchstore::onceMoreIfMissed(checkTyped);
        return readMet && storeMet && checkMet ? 0 : 1;
    } catch (const std::exception& e) {
        std::fprintf(stderr, "store_bench: %s\n", e.what());
        return 1;
    }
}
