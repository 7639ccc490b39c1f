#include "recipients/file_encoding.h"

#include <gtest/gtest.h>

#include "sample_text.h"

namespace {

using recipients::DecodeFault;
using recipients::Encoding;
using sample::encode;

TEST(FileEncoding, EachEncodingAndShapeDecodesToTheSameText) {
    const std::string text = sample::customerCsv(40);
    const std::string tabs = sample::customerCsv(40, "\t");
    const std::string shortText = "メール,mail@example.jp\r\n";
    struct Case {
        const char* name;
        std::string bytes;
        Encoding encoding;
        std::string utf8;
    };
    const Case cases[] = {
        {"Excel CSV, Shift-JIS", encode("CP932", text), Encoding::Cp932, text},
        {"CSV UTF-8 with BOM", sample::kUtf8Bom + text, Encoding::Utf8Bom, text},
        {"UTF-8 without BOM", text, Encoding::Utf8, text},
        {"Unicode text: UTF-16 LE with tabs", sample::kUtf16LeBom + encode("UTF-16LE", tabs),
         Encoding::Utf16Le, tabs},
        {"UTF-16 BE", sample::kUtf16BeBom + encode("UTF-16BE", text), Encoding::Utf16Be, text},
        {"EUC-JP from an old system", encode("EUC-JP", text), Encoding::EucJp, text},
        {"EUC-JP with the NEC special row, as LibreOffice writes it",
         "\xAD\xA1\xAD\xEA\xAD\xE2\xBB\xB3\xC5\xC4,a@b.jp\r\n", Encoding::EucJp,
         "①㈱№山田,a@b.jp\r\n"},
        // Too short for the detector to say Shift-JIS: the strict decode decides.
        {"short Shift-JIS", encode("CP932", shortText), Encoding::Cp932, shortText},
        {"ASCII only", "a@example.com\n", Encoding::Utf8, "a@example.com\n"},
        {"NEC special characters only CP932 holds", encode("CP932", "①髙,a@b.jp\r\n"),
         Encoding::Cp932, "①髙,a@b.jp\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto decoded = recipients::decodeText(c.bytes);
        EXPECT_EQ(decoded.fault, DecodeFault::None);
        EXPECT_EQ(decoded.encoding, c.encoding);
        EXPECT_EQ(decoded.text, c.utf8);
    }
}

TEST(FileEncoding, BinaryAndUndecodableFilesAreRefused) {
    struct Case {
        const char* name;
        std::string bytes;
        DecodeFault fault;
    };
    const Case cases[] = {
        {"an xlsx (zip) file", std::string("PK\x03\x04\x14\x00\x06\x00", 8), DecodeFault::NotText},
        {"a PNG", std::string("\x89PNG\r\n\x1a\n\0\0\0\rIHDR", 16), DecodeFault::NotText},
        {"bytes neither CP932 nor EUC-JP hold", "a@b.jp,\x80\xFF\xFF\r\n",
         DecodeFault::UnknownEncoding},
        {"a BOM before bytes that are not UTF-8", sample::kUtf8Bom + "\xC3\x28",
         DecodeFault::UnknownEncoding},
        {"UTF-16 with half a character", sample::kUtf16LeBom + "a\0b",
         DecodeFault::UnknownEncoding},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(recipients::decodeText(c.bytes).fault, c.fault);
    }
}

TEST(FileEncoding, Utf8ValidityFollowsTheStandardBoundaries) {
    const struct {
        std::string bytes;
        bool valid;
    } cases[] = {
        {"", true},
        {"plain ascii text over eight bytes", true},
        {"\xE3\x81\x82", true},       // あ
        {"\xF0\x9F\x93\xA7", true},   // an emoji
        {"\xC0\xAF", false},          // overlong
        {"\xED\xA0\x80", false},      // a surrogate
        {"\xF4\x90\x80\x80", false},  // above U+10FFFF
        {"abcdefgh\xE3\x81", false},  // cut short at the end
        {"\x83\x81\x81\x5B", false},  // Shift-JIS
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.bytes));
        EXPECT_EQ(recipients::isValidUtf8(c.bytes), c.valid);
    }
}

}  // namespace
