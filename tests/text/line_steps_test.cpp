#include "text/line_steps.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

TEST(LineSteps, LinesEndAtCrLfLoneLfAndLoneCr) {
    struct Row {
        std::string text;
        std::vector<std::string> lines;
    };
    const Row rows[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\nb", {"a", "b"}},
        {"a\nb\rc", {"a", "b", "c"}},
        {"a\r\n", {"a"}},
        {"a\r", {"a"}},
        {"\n\n", {"", ""}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        // Long lines are stepped eight bytes at a time: near-misses of CR and LF stay in.
        {"abcdefg\x8d\x8a\x0b\x0c\x0e\x2d\x2a xyz\r\n",
         {"abcdefg\x8d\x8a\x0b\x0c\x0e\x2d\x2a xyz"}},
    };
    std::vector<Row> all(std::begin(rows), std::end(rows));
    // Every place of a line end within and across the eight-byte steps.
    for (std::size_t n = 0; n < 20; ++n)
        for (const char* end : {"\r\n", "\n", "\r"})
            all.push_back({std::string(n, 'x') + end + std::string(10, 'y') + end + "z",
                           {std::string(n, 'x'), std::string(10, 'y'), "z"}});
    for (const Row& row : all) {
        std::vector<std::string> lines;
        text::lines::forEachLine(row.text, [&](std::size_t index, std::string_view line) {
            EXPECT_EQ(index, lines.size());
            lines.emplace_back(line);
        });
        EXPECT_EQ(lines, row.lines) << testing::PrintToString(row.text);
    }
}
