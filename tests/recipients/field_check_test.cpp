#include "recipients/field_check.h"

#include <gtest/gtest.h>

#include <tuple>

#include "recipients/field_lines.h"

namespace {

using recipients::AddressFault;

TEST(FieldCheck, ListsInvalidLinesAndRepeatsWithTheirLineNumbers) {
    const std::string field =
        "a@x.jp\n"
        "\n"
        "not an address\n"
        "A@X.JP\r\n"
        "  b@x.jp \n"
        "b@x.jp\r"
        "山田 <c@x.jp>\n"
        "ｄ＠ｘ．ｊｐ\n"
        "ｂ@x.jp\n"
        "ｅ＠ｘ\n";
    const auto check = recipients::checkField(field);
    EXPECT_EQ(check.addresses, 9u);
    EXPECT_EQ(check.invalid, 3u);
    EXPECT_EQ(check.duplicates, 3u);
    EXPECT_EQ(check.fullWidth, 2u);
    EXPECT_EQ(check.problems, 7u);
    const struct {
        std::size_t line;
        const char* text;
        AddressFault fault;
        std::size_t duplicateOf;
        bool fullWidth;
    } expected[] = {
        {3, "not an address", AddressFault::AtSign, 0, false},
        {4, "A@X.JP", AddressFault::None, 1, false},
        {6, "b@x.jp", AddressFault::None, 5, false},
        {7, "山田 <c@x.jp>", AddressFault::Blank, 0, false},
        {8, "ｄ＠ｘ．ｊｐ", AddressFault::None, 0, true},
        {9, "ｂ@x.jp", AddressFault::None, 5, true},  // compared as ASCII
        {10, "ｅ＠ｘ", AddressFault::NoDomainDot, 0, false},
    };
    ASSERT_EQ(check.first.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(check.first[i].line, expected[i].line);
        EXPECT_EQ(check.first[i].text, expected[i].text);
        EXPECT_EQ(check.first[i].fault, expected[i].fault);
        EXPECT_EQ(check.first[i].duplicateOf, expected[i].duplicateOf);
        EXPECT_EQ(check.first[i].fullWidth, expected[i].fullWidth);
    }
    EXPECT_EQ(recipients::checkField(field, 1).first.size(), 1u);

    // Every form of b on the opt-out list is listed, once each; the other counts stay.
    const auto optedOut = recipients::checkField(field, recipients::OptOutList("B@X.JP\r\n"));
    std::vector<std::size_t> lines;
    for (const auto& problem : optedOut.first)
        if (problem.optedOut) lines.push_back(problem.line);
    EXPECT_EQ(lines, (std::vector<std::size_t>{5, 6, 9}));
    EXPECT_EQ(std::make_tuple(optedOut.optedOut, optedOut.duplicates, optedOut.problems),
              std::make_tuple(3u, 3u, 8u));
    // Only the lines valid once made ASCII are converted; the rest stay as typed.
    std::size_t converted = 0;
    EXPECT_EQ(recipients::withHalfWidthLines(field, &converted),
              "a@x.jp\n\nnot an address\nA@X.JP\n  b@x.jp \nb@x.jp\n山田 <c@x.jp>\nd@x.jp\n"
              "b@x.jp\nｅ＠ｘ\n");
    EXPECT_EQ(converted, 2u);
}

TEST(FieldCheck, RemovingRepeatsKeepsTheFirstAndEveryOtherLine) {
    const struct {
        const char* field;
        const char* result;
    } cases[] = {
        {"a@x.jp\nb@x.jp\nA@x.jp\n", "a@x.jp\nb@x.jp\n"},
        {"a@x.jp\n\nbad\nbad\n a@x.jp", "a@x.jp\n\nbad\nbad\n"},
        {"a@x.jp\r\nb@x.jp\r\nb@x.jp", "a@x.jp\nb@x.jp\n"},
        // The ends of the alphabet fold; the bytes just outside it ("@[`{") do not.
        {"Zed@x.jp\nzed@x.jp\nann@x.jp\nAnn@x.jp\na`@x.jp\na@`x.jp\na[@x.jp\na{@x.jp\n",
         "Zed@x.jp\nann@x.jp\na`@x.jp\na@`x.jp\na[@x.jp\na{@x.jp\n"},
        {"a@x.jp\nＡ＠ｘ．ｊｐ\n", "a@x.jp\n"},  // a repeat once made ASCII
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field);
        EXPECT_EQ(recipients::withoutDuplicateLines(c.field), c.result);
    }
}

TEST(FieldLines, CountsLinesHoldingAnyCharacterAtEveryLineEnd) {
    const struct {
        std::string text;
        std::size_t count;
    } cases[] = {
        {"", 0},       {"a", 1},        {"a\n", 1},        {"a\nb", 2},
        {"\n\n\n", 0}, {"a\n\nb\n", 2}, {"a\r\nb\r\n", 2}, {"a\rb\r", 2},
        {" \n", 1},    {"\r\n\r\n", 0}, {"a\r\n\r\nb", 2}, {"\ra\n", 1},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.text));
        EXPECT_EQ(recipients::countNonEmptyLines(c.text.data(), c.text.size()), c.count);
        std::size_t nonEmpty = 0;
        recipients::forEachFieldLine(
            c.text, [&](std::size_t, std::string_view line) { nonEmpty += !line.empty(); });
        EXPECT_EQ(nonEmpty, c.count);
    }
}

}  // namespace
