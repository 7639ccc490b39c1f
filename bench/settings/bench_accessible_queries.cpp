#include "bench_accessible_queries.h"

#include <QAccessible>
#include <QApplication>
#include <chrono>
#include <cstdio>
#include <functional>
#include <stdexcept>
#include <string>

#include "bench_process.h"
#include "bench_screen_reader.h"
#include "bench_store.h"
#include "textfield/plain_text_field.h"
#include "timing.h"

namespace bench {

namespace {

constexpr double kLimitMs = 1;
constexpr int kAsks = 101;

double millisOf(const std::function<void()>& ask) {
    const auto start = std::chrono::steady_clock::now();
    ask();
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start)
        .count();
}

}  // namespace

int runAccessibleQueries(int argc, char** argv, long lines) {
    QApplication app(argc, argv);
    listenAsScreenReader();
    std::string text;
    text.reserve(std::size_t(lines) * 27);
    for (long n = 0; n < lines; ++n) text += address(n) + "\n";
    PlainTextField field;
    field.setUtf8Text(text);
    QAccessibleTextInterface* reader =
        QAccessible::queryAccessibleInterface(&field)->textInterface();
    // The first ask builds the line index of the text: told apart, as a load's cost.
    const double first = millisOf([&] { reader->characterCount(); });
    std::vector<double> counts, atLines;
    volatile int heard = 0;
    for (int ask = 0; ask < kAsks; ++ask) {
        // An edit at the end first, so nothing the last ask worked out is still at hand.
        field.SendScintilla(QsciScintilla::SCI_APPENDTEXT, 1UL, "x");
        int count = 0;
        counts.push_back(millisOf([&] { count = reader->characterCount(); }));
        atLines.push_back(millisOf([&] {
            int start = 0, end = 0;
            heard =
                heard + int(reader->textAtOffset(count - 1, QAccessible::LineBoundary, &start, &end)
                                .size());
        }));
        if (count != int(text.size()) + ask + 1) {
            std::fprintf(stderr, "characterCount gave %d\n", count);
            return 1;
        }
    }
    std::printf("QUERIES %.4f %.4f %.1f\n", benchstore::median(counts), benchstore::median(atLines),
                first);
    return 0;
}

std::vector<Check> compareAccessibleQueries(long lines, int runs) {
    std::vector<Check> checks;
    checks.emplace_back("screen reader: characterCount at the end", "median ask", "limit", "ms",
                        1.0);
    checks.emplace_back("screen reader: textAtOffset at the end", "median ask", "limit", "ms", 1.0);
    for (int run = 0; run < runs; ++run) {
        const std::string output = runChildOutput({"--queries", std::to_string(lines)});
        double count = 0, atLine = 0;
        const auto at = output.find("QUERIES ");
        if (at == std::string::npos ||
            std::sscanf(output.c_str() + at, "QUERIES %lf %lf", &count, &atLine) != 2)
            throw std::runtime_error("a query run stopped early: " + output);
        checks[0].oursValues.push_back(count);
        checks[1].oursValues.push_back(atLine);
        for (Check& check : checks) check.baselineValues.push_back(kLimitMs);
    }
    return checks;
}

}  // namespace bench
