#include "recipients/optout_list.h"

#include <gtest/gtest.h>

#include "recipients/optout_field.h"
#include "recipients/optout_key.h"
#include "support/temp_app_folder.h"

using recipients::OptOutList;

TEST(OptOutList, MatchesTrimmedWithoutCaseAndWithFullWidthForms) {
    // optout.txt as CP932 bytes: a blank line, a repeat, forms that need converting.
    const OptOutList list(" Taro@Example.JP \r\n\r\n" + sj("ｈａｎａ＠ｘ．ｊｐ") + "\nhana@x.jp\r" +
                          sj("　ｑ＂ｔ～ｘ＠ｙ．ｊｐ") + "\r\n" + sj("山田@x.jp"));
    EXPECT_EQ(list.size(), 4u);
    struct Row {
        std::string address;
        bool utf8;
        bool opted;
    } rows[] = {
        {"taro@example.jp", true, true},
        {"\tTARO@EXAMPLE.JP\x01", false, true},
        {"ＴＡＲＯ＠ｅｘａｍｐｌｅ．ｊｐ　", true, true},
        {sj("ＴＡＲＯ＠ｅｘａｍｐｌｅ．ｊｐ"), false, true},
        {"Hana@X.jp", false, true},
        {"q\xEE\xFCt~x@y.jp", false, true},  // the NEC row's full-width quote
        {"Q＂T～X@Y.JP", true, true},
        {"山田@X.JP", true, true},
        {sj("山田@x.jp"), false, true},
        {"taro@example.j", true, false},
        {"taro @example.jp", true, false},
        {"①@x.jp", true, false},
        {"", true, false},
    };
    for (const auto& row : rows) {
        const bool got =
            row.utf8 ? list.containsUtf8(row.address) : list.containsCp932(row.address);
        EXPECT_EQ(got, row.opted) << row.address;
    }
    // 山 is 0x8E 0x52: a trail byte that is a capital never folds.
    EXPECT_FALSE(list.containsCp932("\x8er\x93\x63@x.jp"));
    EXPECT_FALSE(OptOutList().containsUtf8("taro@example.jp"));
}

TEST(OptOutList, FullWidthTableComesFromCp932) {
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x8293), 's');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x8260), 'A');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x824F), '0');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x8197), '@');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x8140), ' ');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0xEEFC), '"');
    EXPECT_EQ(recipients::optoutkey::halfWidthOf(0x82A0), 0);  // あ
}

TEST(OptOutField, NamesOptedOutLinesAndRemovesOnlyThoseInPlace) {
    const OptOutList list("b@x.jp\r\nd@x.jp\r\n");
    std::string field = "a@x.jp\nB@X.JP\r\nc@x.jp\r ｄ＠ｘ．ｊｐ \n\ne@x.jp\r\nb@x.jp";
    const auto found = recipients::findFieldOptOuts(field, list, 2);
    EXPECT_EQ(found.count, 3u);
    ASSERT_EQ(found.first.size(), 2u);
    EXPECT_EQ(found.first[0].line, 2u);
    EXPECT_EQ(found.first[0].text, "B@X.JP");
    EXPECT_EQ(found.first[1].line, 4u);
    EXPECT_EQ(found.first[1].text, "ｄ＠ｘ．ｊｐ");
    EXPECT_EQ(found.lines, (std::vector<std::size_t>{2, 4, 7}));
    recipients::removeFieldOptOuts(field, found);
    EXPECT_EQ(field, "a@x.jp\nc@x.jp\r\ne@x.jp\r\n");

    // Lines hashed as they are read against keys built whole, and the other way round, in
    // both forms of the field.
    const OptOutList keys("Long.Address@Example.JP\r\n ab@xy.jp \r\n" + sj("山田@x.jp"));
    const struct {
        std::string line;
        bool opted;
    } rows[] = {
        {"long.address@example.jp", true},     // read plain at load, over three words
        {" LONG.ADDRESS@EXAMPLE.JP\t", true},  // built whole: the same hash
        {"AB@XY.JP", true},                    // the run ends on a word
        {"ab@xy.j", false},
        {"ab@xy.jpp", false},
        {"ａｂ＠ｘｙ．ｊｐ", true},
        {"山田@X.JP", true},
        {"a,b@xy.jp", false},
    };
    std::string utf8, cp932, kept;
    std::vector<std::size_t> want;
    for (const auto& row : rows) {
        utf8 += row.line + "\n";
        cp932 += sj(row.line) + "\r\n";
        if (row.opted) want.push_back(&row - rows + 1);
        if (!row.opted) kept += sj(row.line) + "\r\n";
    }
    EXPECT_EQ(recipients::findFieldOptOuts(utf8, keys).lines, want);
    const auto inCp932 = recipients::findCp932FieldOptOuts(cp932, keys);
    EXPECT_EQ(inCp932.lines, want);
    recipients::removeFieldOptOuts(cp932, inCp932);
    EXPECT_EQ(cp932, kept);
    // 山 is 0x8E 0x52: a trail byte that is a capital stops the plain run, never folds.
    EXPECT_EQ(
        recipients::findCp932FieldOptOuts("\x8er\x93\x63@x.jp\n" + sj("山田@x.jp"), keys).lines,
        std::vector<std::size_t>{2});

    // A field large enough to be read in two halves: the numbers and texts still join up.
    std::string large;
    while (large.size() < (5 << 20)) large += "a@x.jp\r\n";
    const std::size_t middle = large.size() / 2 / 8;  // lines of 8 bytes
    large.replace(8 * 2, 6, "B@X.JP");
    large.replace(8 * middle, 6, "b@x.jp");
    large.replace(8 * (middle + 1), 6, "D@x.jp");
    large += "d@x.jp";
    const auto halves = recipients::findCp932FieldOptOuts(large, list, 3);
    EXPECT_EQ(halves.lines,
              (std::vector<std::size_t>{3, middle + 1, middle + 2, large.size() / 8 + 1}));
    EXPECT_EQ(halves.count, 4u);
    ASSERT_EQ(halves.first.size(), 3u);
    EXPECT_EQ(halves.first[2].line, middle + 2);
    EXPECT_EQ(halves.first[2].text, "D@x.jp");

    std::string untouched = "b@x.jp\r\n";
    const auto none = recipients::findFieldOptOuts(untouched, OptOutList());
    recipients::removeFieldOptOuts(untouched, none);
    EXPECT_EQ(none.count, 0u);
    EXPECT_EQ(untouched, "b@x.jp\r\n");
}
