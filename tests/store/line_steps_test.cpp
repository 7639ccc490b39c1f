#include "store/line_steps.h"

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
    };
    for (const Row& row : rows) {
        std::vector<std::string> lines;
        store::lines::forEachLine(row.text, [&](std::size_t index, std::string_view line) {
            EXPECT_EQ(index, lines.size());
            lines.emplace_back(line);
        });
        EXPECT_EQ(lines, row.lines) << testing::PrintToString(row.text);
    }
}
