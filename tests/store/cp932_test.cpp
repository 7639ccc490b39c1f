#include "store/cp932.h"

#include <gtest/gtest.h>

#include "support/temp_app_folder.h"

using namespace store::cp932;

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
