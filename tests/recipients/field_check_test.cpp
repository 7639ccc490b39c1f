#include "recipients/field_check.h"

#include <gtest/gtest.h>

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
        "山田 <c@x.jp>\n";
    const auto check = recipients::checkField(field);
    EXPECT_EQ(check.addresses, 6u);
    EXPECT_EQ(check.invalid, 2u);
    EXPECT_EQ(check.duplicates, 2u);
    ASSERT_EQ(check.first.size(), 4u);
    const struct {
        std::size_t line;
        const char* text;
        AddressFault fault;
        std::size_t duplicateOf;
    } expected[] = {
        {3, "not an address", AddressFault::AtSign, 0},
        {4, "A@X.JP", AddressFault::None, 1},
        {6, "b@x.jp", AddressFault::None, 5},
        {7, "山田 <c@x.jp>", AddressFault::Blank, 0},
    };
    for (std::size_t i = 0; i < 4; ++i) {
        SCOPED_TRACE(i);
        EXPECT_EQ(check.first[i].line, expected[i].line);
        EXPECT_EQ(check.first[i].text, expected[i].text);
        EXPECT_EQ(check.first[i].fault, expected[i].fault);
        EXPECT_EQ(check.first[i].duplicateOf, expected[i].duplicateOf);
    }
    EXPECT_EQ(recipients::checkField(field, 1).first.size(), 1u);
}

TEST(FieldCheck, RemovingRepeatsKeepsTheFirstAndEveryOtherLine) {
    const struct {
        const char* field;
        const char* result;
    } cases[] = {
        {"a@x.jp\nb@x.jp\nA@x.jp\n", "a@x.jp\nb@x.jp\n"},
        {"a@x.jp\n\nbad\nbad\n a@x.jp", "a@x.jp\n\nbad\nbad\n"},
        {"a@x.jp\r\nb@x.jp\r\nb@x.jp", "a@x.jp\nb@x.jp\n"},
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
