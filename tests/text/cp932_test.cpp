#include "text/cp932.h"
#include "text/iconv_converter.h"

#include <gtest/gtest.h>

#include "support/temp_app_folder.h"

using namespace text::cp932;

TEST(Cp932, StepsOverDoubleByteCharactersOnly) {
    const std::string so = "\x83\x5C";  // ソ
    EXPECT_EQ(charLength(so, 0), 2u);
    EXPECT_EQ(charLength("a\xE0\x40", 0), 1u);
    EXPECT_EQ(charLength("a\xE0\x40", 1), 2u);
    EXPECT_EQ(charLength("a\x9F", 1), 1u) << "a lead byte at the end stands alone";
    EXPECT_TRUE(isLeadByte(0x81));
    EXPECT_TRUE(isLeadByte(0xFC));
    EXPECT_FALSE(isLeadByte(0x80));
    EXPECT_FALSE(isLeadByte(0xA0));  // half-width katakana are single bytes
    EXPECT_FALSE(isLeadByte(0xDF));
    EXPECT_FALSE(isLeadByte(0xFD));
}

TEST(Cp932, TrimRemovesCodesUpTo32FromBothEndsOnly) {
    EXPECT_EQ(trim(std::string("\0\t\r\n a b \x1f\x20", 11)), "a b");
    EXPECT_EQ(trim("\x21x\x7F"), "\x21x\x7F");
    EXPECT_EQ(trim(" \t "), "");
    EXPECT_EQ(trim(sj("　表　")), sj("　表　")) << "the full-width blank is a character";
}

TEST(Cp932, EqualsIgnoreCaseFoldsAsciiLettersButNeverTrailBytes) {
    EXPECT_TRUE(equalsIgnoreCase("SMTPServer", "smtpSERVER"));
    EXPECT_TRUE(equalsIgnoreCase(sj("送信元名称"), sj("送信元名称")));
    EXPECT_FALSE(equalsIgnoreCase("SMTPID", "SMTPPWD"));
    EXPECT_FALSE(equalsIgnoreCase("key", "key "));
    EXPECT_FALSE(equalsIgnoreCase("[", "{"));
    // 0x83 0x41 (ア) and 0x83 0x61 (ャ) differ only in the case of an ASCII-looking trail.
    EXPECT_FALSE(equalsIgnoreCase("\x83\x41", "\x83\x61"));
    EXPECT_FALSE(equalsIgnoreCase("x\x83\x41", "X\x83\x61"));
}

TEST(Cp932, ConvertsStrictlyInBothDirections) {
    EXPECT_EQ(toUtf8(sj("表ソポ～")), std::optional<std::string>("表ソポ～"));
    EXPECT_EQ(toUtf8("a\\~"), std::optional<std::string>("a\\~"));
    EXPECT_EQ(fromUtf8("ｱ"), std::optional<std::string>("\xB1"));
    EXPECT_EQ(toUtf8(""), std::optional<std::string>(""));
    EXPECT_FALSE(toUtf8("ab\x83"));              // lead byte without its trail
    EXPECT_FALSE(toUtf8("a\x80z"));              // no such byte
    EXPECT_FALSE(toUtf8("\x85\x40"));            // unassigned row
    EXPECT_FALSE(fromUtf8("\xF0\x9F\x98\x80"));  // no CP932 form
    EXPECT_FALSE(fromUtf8("\xC3"));              // broken UTF-8
}

TEST(Cp932, LossyConversionReplacesEachUndecodableCharacterOnce) {
    EXPECT_EQ(toUtf8Lossy(sj("表") + "a\x80" + "b"), "表a\uFFFDb");
    EXPECT_EQ(toUtf8Lossy("\x85\x40z"), "\uFFFDz") << "trail byte 0x40 must not show as @";
    EXPECT_EQ(toUtf8Lossy("x\x81\ny"), "x\uFFFD\ny") << "a line end after a lone lead stays";
    EXPECT_EQ(toUtf8Lossy("end\x83"), "end\uFFFD");
}

// The one home of the character rules: every scan of the store and the recipient layer
// asks these, so a slip at a range's edge shows here.
TEST(Cp932, CharacterRulesHoldAtEveryRangeEdge) {
    struct Row {
        unsigned char byte;
        bool lead, trail;
    };
    const Row rows[] = {
        {0x3F, false, false}, {0x40, false, true}, {0x7E, false, true}, {0x7F, false, false},
        {0x80, false, true},  {0x81, true, true},  {0x9F, true, true},  {0xA0, false, true},
        {0xDF, false, true},  {0xE0, true, true},  {0xFC, true, true},  {0xFD, false, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(static_cast<int>(row.byte));
        EXPECT_EQ(isLeadByte(row.byte), row.lead);
        EXPECT_EQ(isTrailByte(row.byte), row.trail);
    }
    const std::pair<char, char> folds[] = {{'@', '@'}, {'A', 'a'}, {'Z', 'z'}, {'[', '['},
                                           {'`', '`'}, {'a', 'a'}, {'z', 'z'}, {'{', '{'}};
    for (const auto& [in, out] : folds) EXPECT_EQ(foldAscii(in), out) << in;

    EXPECT_EQ(charLengthInLine(std::string_view("\x83\0x", 3), 0), 1u) << "a NUL ends the line";
    EXPECT_EQ(charLengthInLine("\x83\x5C", 0), 2u);
    EXPECT_TRUE(isFieldBlank(0x01));
    EXPECT_FALSE(isFieldBlank(0x00));
    EXPECT_EQ(trimmed(std::string_view("\0 a\x83\x40 \x20", 7)), "a\x83\x40");

    const std::string ascii17 = "abcdefghijklmnopq";
    EXPECT_EQ(asciiRunLength(ascii17 + "\x83\x40"), 17u);
    EXPECT_EQ(asciiRunLength("abc\xE3\x80\x80" + ascii17), 3u) << "high bit in the first word";
    EXPECT_EQ(asciiRunLength(ascii17 + "\x83", 16), 1u);
    EXPECT_TRUE(isAscii(ascii17 + ascii17));
    EXPECT_FALSE(isAscii(ascii17 + "\xEF\xBC\xA1"));
}

TEST(Cp932, OneConverterRunsAgainAfterAFailureAndGrowsItsOutput) {
    text::IconvConverter conv("UTF-8", "CP932");
    ASSERT_TRUE(conv.ok());
    std::string large;
    for (int i = 0; i < 50000; ++i) large += sj("表");
    std::string out;
    std::size_t consumed = 0;
    ASSERT_TRUE(conv.run(large, out, consumed));
    EXPECT_EQ(consumed, large.size());
    EXPECT_EQ(out.size(), 150000u) << "two bytes in, three out: the output grew";

    out = "kept ";
    EXPECT_FALSE(conv.run("ab\x80z", out, consumed));
    EXPECT_EQ(consumed, 2u) << "stops at the byte it cannot take";
    EXPECT_EQ(out, "kept ab");
    EXPECT_FALSE(conv.run("x\x83", out, consumed)) << "a lead byte without its trail";
    out.clear();
    EXPECT_TRUE(conv.run(sj("ソ"), out, consumed)) << "nothing left over from the failures";
    EXPECT_EQ(out, "ソ");
    EXPECT_FALSE(text::IconvConverter("UTF-8", "NO-SUCH-CODE").run("a", out, consumed));
}
