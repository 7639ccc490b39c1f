#include "store/comma_text.h"

#include <gtest/gtest.h>

#include "support/temp_app_folder.h"

using store::commatext::addressPart;
using store::commatext::split;
using Fields = std::vector<std::string>;

TEST(CommaText, SplitsAtCommasAndAtEveryCodeUpTo32) {
    struct Case {
        std::string line;
        Fields fields;
    } cases[] = {
        {"a@example.com,0", {"a@example.com", "0"}},
        {"", {}},
        {" \t ", {}},
        {"  a,0", {"a", "0"}},
        {"a b,0", {"a", "b", "0"}},
        {"a\tb,0", {"a", "b", "0"}},
        {"a\x01"
         "b",
         {"a", "b"}},
        {"a , 0 ", {"a", "0"}},
        {"a,,0", {"a", "", "0"}},
        {"a, ,0", {"a", "", "0"}},
        {",0", {"", "0"}},
        {"a,", {"a"}},
        {",", {""}},
        {"a,0,", {"a", "0"}},
        {"x,00", {"x", "00"}},
        {std::string("a,0\0,1", 6), {"a", "0"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.fields) << c.line;
}

TEST(CommaText, QuotedFieldsKeepCommasBlanksAndDoubledQuotes) {
    struct Case {
        std::string line;
        Fields fields;
    } cases[] = {
        {"\"x,y z\",0", {"x,y z", "0"}},
        {"\"say \"\"hi\"\"\",1", {"say \"hi\"", "1"}},
        {"\"\"\"\"", {"\""}},
        {"\"\",0", {"", "0"}},
        {"a,\"0\"", {"a", "0"}},
        {"\"ab\"cd,0", {"ab", "cd", "0"}},
        {"a\"b,0", {"a\"b", "0"}},
        {"\"open,0", {"open,0"}},
        {"\"a\"\"b", {"a\"b"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.fields) << c.line;
}

TEST(CommaText, TrailBytesNeverEndAField) {
    const std::string hyo = sj("表");  // trail byte 0x5C
    const std::string po = sj("ポ");   // trail byte 0x7C
    EXPECT_EQ(split(hyo + po + ",1"), (Fields{hyo + po, "1"}));
    EXPECT_EQ(split("\"" + hyo + "\"," + po), (Fields{hyo, po}));
    // A lead byte takes whatever byte follows it, even a comma (a malformed line).
    EXPECT_EQ(split("a\x81,b,0"), (Fields{"a\x81,b", "0"}));
    EXPECT_EQ(split("a\x81"), (Fields{"a\x81"}));
}

TEST(CommaText, ALeadByteTakesTheNextByteInsideQuotesAsOutside) {
    struct Case {
        std::string line;
        Fields fields;
    } cases[] = {
        {"a,\x81\"", {"a", "\x81\""}},
        {"\"\x81\",0", {"\x81\",0"}},  // the quote is the lead byte's partner: no closing quote
        {"\"\x81\"\",0", {"\x81\"", "0"}},
        {"\"a\"\"\x81\"\"b\"", {"a\"\x81\"", "b\""}},
        {"\"\x95\x5c\x81\x40\",1", {"\x95\x5c\x81\x40", "1"}},
        {"\"x\x81", {"x\x81"}},  // a lead byte at the end of the line stands alone
        {std::string("\"x\x81\0\",0", 7), {"x\x81"}},
    };
    for (const auto& c : cases) EXPECT_EQ(split(c.line), c.fields) << c.line;
    EXPECT_EQ(addressPart("\"\x81\",0"), "\"\x81\"");
    EXPECT_EQ(addressPart("a,\x81\""), "a");
}

TEST(CommaText, TheAddressIsTheTextBeforeTheFirstComma) {
    EXPECT_EQ(addressPart("a@example.com,0"), "a@example.com");
    EXPECT_EQ(addressPart("  a b ,0,1"), "  a b ");
    EXPECT_EQ(addressPart(",0"), "");
    EXPECT_EQ(addressPart("no comma"), "");
    EXPECT_EQ(addressPart(sj("表") + ",0"), sj("表"));
    EXPECT_EQ(addressPart("a\x81,b,0"), "a\x81,b");
}

TEST(CommaText, LongFieldsEndAtTheSameBytesWhereverTheyStand) {
    const std::string hyo = sj("表");
    for (std::size_t k = 0; k < 20; ++k) {
        const std::string head(k, 'a');
        const std::string tail(11, 'z');
        EXPECT_EQ(split(head + "," + tail), (Fields{head, tail})) << k;
        EXPECT_EQ(split("q" + head + " " + tail + ",7"), (Fields{"q" + head, tail, "7"})) << k;
        EXPECT_EQ(split("q" + head + "\x1F" + tail), (Fields{"q" + head, tail})) << k;
        EXPECT_EQ(split("q" + head + hyo + tail + ",0"), (Fields{"q" + head + hyo + tail, "0"}))
            << k;
        EXPECT_EQ(split("q" + head + "\x81," + tail), (Fields{"q" + head + "\x81," + tail})) << k;
        EXPECT_EQ(split("q" + head + "\x7F\x40" + tail + ",1"),
                  (Fields{"q" + head + "\x7F\x40" + tail, "1"}))
            << k;
        EXPECT_EQ(split(std::string("q") + head + '\0' + tail), (Fields{"q" + head})) << k;
    }
}
