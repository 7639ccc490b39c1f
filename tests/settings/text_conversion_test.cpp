#include <gtest/gtest.h>

#include "settings/field_text.h"
#include "settings/integer_text.h"
#include "support/temp_app_folder.h"
#include "text/cp932.h"

namespace {

TEST(FieldTextTest, ShiftJisRoundTripsThroughAField) {
    const std::string stored = sj("件名：ﾃｽﾄ ①～");
    const QString shown = fieldtext::fromStore(stored);
    EXPECT_EQ(shown, QStringLiteral("件名：ﾃｽﾄ ①～"));
    EXPECT_EQ(fieldtext::toStore(shown), stored);
    EXPECT_EQ(fieldtext::toStoreFromUtf8(fieldtext::utf8FromStore(stored)), stored);
}

TEST(FieldTextTest, TextShiftJisCannotHoldIsRefusedNotReplaced) {
    EXPECT_EQ(fieldtext::toStore(QStringLiteral("mail 😀")), std::nullopt);
    EXPECT_EQ(fieldtext::toStore(QString(QChar(0xFFFD))), std::nullopt);
    EXPECT_EQ(fieldtext::toStoreFromUtf8("\xe4\xb8"), std::nullopt);  // cut UTF-8
}

TEST(FieldTextTest, LargeTextDecodesAsTheConverterWouldWithAsciiRunsCopied) {
    const std::string longAscii(300, 'a');
    const std::vector<std::string> inputs = {
        longAscii + sj("表") + longAscii + "\x81",        // trail byte 0x5C, lone lead at end
        "\x81" + longAscii,                               // lead byte takes the first 'a'
        sj("ｱ") + "x,0\n" + sj("能") + "\n" + longAscii,  // short runs go with their neighbours
        longAscii + "\x81\n" + longAscii,                 // a lead byte before a line end
        "\xA0\xFD" + longAscii + "\xFF",
        longAscii,
        ""};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.size());
        EXPECT_EQ(fieldtext::utf8FromStore(input), text::cp932::toUtf8Lossy(input));
        EXPECT_EQ(fieldtext::utf8FromStore(std::string(input)), text::cp932::toUtf8Lossy(input));
    }
    EXPECT_EQ(fieldtext::utf8FromStore(longAscii + sj("表") + longAscii),
              longAscii + "表" + longAscii);
}

TEST(FieldTextTest, LargeTextEncodesAsTheConverterWouldWithAsciiRunsCopied) {
    const std::string longAscii(300, 'a');
    const std::vector<std::string> inputs = {longAscii + "表" + longAscii + "～", "①" + longAscii,
                                             "ｱx,0\n能\n" + longAscii,
                                             longAscii + "\\~" + longAscii};
    for (const std::string& input : inputs) {
        SCOPED_TRACE(input.size());
        EXPECT_EQ(fieldtext::toStoreFromUtf8(input), text::cp932::fromUtf8(input));
    }
    // A broken or unstorable character is refused wherever it stands among the runs.
    for (const std::string& bad : {longAscii + "\xe4\xb8" + longAscii, longAscii + "😀",
                                   "\xe4" + longAscii, longAscii + "\xe4\xb8"}) {
        EXPECT_EQ(fieldtext::toStoreFromUtf8(bad), std::nullopt) << bad.size();
    }
}

TEST(IntegerTextTest, AcceptsOnlySignAndDigitsWithinThirtyTwoBits) {
    EXPECT_EQ(integertext::parse("0"), 0);
    EXPECT_EQ(integertext::parse("007"), 7);
    EXPECT_EQ(integertext::parse("+12"), 12);
    EXPECT_EQ(integertext::parse("-12"), -12);
    EXPECT_EQ(integertext::parse("2147483647"), 2147483647);
    EXPECT_EQ(integertext::parse("-2147483648"), -2147483647 - 1);
    for (const char* bad : {"", "+", "-", " 1", "1 ", "1.0", "0x10", "2147483648", "-2147483649",
                            "99999999999999999999", "1e3"}) {
        EXPECT_EQ(integertext::parse(bad), std::nullopt) << bad;
    }
    EXPECT_EQ(integertext::normalizedOrZero("-0"), "0");
    EXPECT_EQ(integertext::normalizedOrZero("x"), "0");
}

}  // namespace
