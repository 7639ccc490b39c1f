#include <gtest/gtest.h>

#include <cctype>
#include <string>
#include <vector>

#include "recipients/address_check.h"
#include "recipients/address_column.h"
#include "recipients/address_set.h"
#include "text/half_width.h"

namespace {

using recipients::AddressFault;

TEST(AddressCheck, EachRuleWithItsBoundaries) {
    const std::string longLocal(254 - std::string("@example.jp").size(), 'a');
    const struct {
        std::string address;
        AddressFault fault;
    } cases[] = {
        {"taro.yamada@example.com", AddressFault::None},
        {"o'brien+tag@mail.example.co.jp", AddressFault::None},
        {"山田@例え.jp", AddressFault::NonAscii},  // only ASCII passes
        {"", AddressFault::Empty},
        {"taro.example.com", AddressFault::AtSign},
        {"a@b@example.com", AddressFault::AtSign},
        {"@example.com", AddressFault::NoLocalPart},
        {"taro@localhost", AddressFault::NoDomainDot},
        {"taro@.example", AddressFault::NoDomainDot},
        {"taro@example.", AddressFault::NoDomainDot},
        {"taro@", AddressFault::NoDomainDot},
        {"taro yamada@example.com", AddressFault::Blank},
        {"taro\tyamada@example.com", AddressFault::Blank},
        {"taro　yamada@example.com", AddressFault::Blank},
        {"taro,yamada@example.com", AddressFault::Comma},
        {"\"taro\"@example.com", AddressFault::Quote},
        {"<taro@example.com", AddressFault::AngleBracket},
        {std::string("taro\x01@example.com"), AddressFault::Control},
        {"taro\x7F@example.com", AddressFault::Control},
        {longLocal + "@example.jp", AddressFault::None},
        {longLocal + "a@example.jp", AddressFault::TooLong},
        {"😀@example.com", AddressFault::NonAscii},
        {"taro@exa\xE2\x80\x8Bmple.com", AddressFault::NonAscii},  // zero-width space
        {"ｓｈｉｍｉｚｕ@example.jp", AddressFault::NonAscii},     // not made ASCII yet
        {"山田@例え", AddressFault::NoDomainDot},                  // its own fault first
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.address);
        EXPECT_EQ(recipients::checkAddress(c.address), c.fault);
    }
}

TEST(AddressCheck, TheCellGivesTheAddressInsideAngleBracketsTrimmed) {
    const struct {
        const char* cell;
        const char* address;
    } cases[] = {
        {"  taro@example.com\t", "taro@example.com"},
        {"　taro@example.com　", "taro@example.com"},
        {"山田 太郎 <taro@example.com>", "taro@example.com"},
        {"\"Yamada, Taro\" < taro@example.com >", "taro@example.com"},
        {"<taro@example.com>", "taro@example.com"},
        {"taro@example.com>", "taro@example.com>"},  // no opening bracket: left to the check
        {"", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.cell);
        EXPECT_EQ(recipients::extractAddress(c.cell), c.address);
    }
}

TEST(HalfWidth, FullWidthFormsOfAsciiAndTheIdeographicSpaceBecomeAscii) {
    const struct {
        std::string text;
        std::string result;
        std::size_t converted;
    } cases[] = {
        {"ｓｈｉｍｉｚｕ＠ｅｘａｍｐｌｅ．ｊｐ", "shimizu@example.jp", 18},
        {"！～＿｀　", "!~_` ", 5},  // U+FF01, U+FF5E, the row edges
        {"\xEF\xBC\x80\xEF\xBD\x9Fｱ山", "\xEF\xBC\x80\xEF\xBD\x9Fｱ山", 0},  // U+FF00, U+FF5F
        {"a@x.jp", "a@x.jp", 0},
        {"\xEF\xBC", "\xEF\xBC", 0},  // cut short: kept as it is
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.text);
        std::size_t converted = 99;
        EXPECT_EQ(text::toHalfWidth(c.text, &converted), c.result);
        EXPECT_EQ(converted, c.converted);
    }
}

TEST(AddressColumn, HeadersAreMatchedAfterWidthAndCaseFolding) {
    const struct {
        const char* header;
        bool matches;
    } cases[] = {
        {"メールアドレス", true},
        {"ﾒｰﾙｱﾄﾞﾚｽ", true},
        {"メール", true},
        {"ﾒｰﾙ", true},
        {"E-mail", true},
        {"Ｅ－ｍａｉｌ", true},
        {"EMAIL", true},
        {" mail ", true},
        {"Mail Address", true},
        {"電子メール アドレス", true},
        {"氏名", false},
        {"mailbox", false},
        {"メールアドレス2", false},
        {"", false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.header);
        EXPECT_EQ(recipients::isAddressHeader(c.header), c.matches);
    }
    EXPECT_EQ(recipients::foldHeader("ﾊﾟｿｺﾝｳﾞ"), "パソコンヴ");
    EXPECT_EQ(recipients::foldHeader("ﾒﾞ"), "メ\xE3\x82\x99");  // no voiced form: the mark stays
}

TEST(AddressColumn, AHeaderPicksTheColumnElseTheMostAtSigns) {
    const struct {
        const char* name;
        const char* text;
        std::size_t column;
        bool header;
    } cases[] = {
        {"Japanese header", "氏名,ﾒｰﾙｱﾄﾞﾚｽ,備考\n太郎,t@x.jp,a@b\n", 1, true},
        {"header wins over at signs", "memo,email\na@b.jp,\nc@d.jp,\n", 1, true},
        {"no header: most at signs", "太郎,t@x.jp,tel\n花子,h@x.jp,x@y\n次郎,j@x.jp,\n", 1, false},
        {"one address per line", "a@x.jp\nb@x.jp\n", 0, false},
        {"tie goes left", "a@x,b@x\n", 0, false},
        {"no at sign anywhere", "a,b\n", 0, false},
        {"empty", "", 0, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const auto choice = recipients::chooseColumn(recipients::readCsv(c.text));
        EXPECT_EQ(choice.column, c.column);
        EXPECT_EQ(choice.header, c.header);
    }
}

TEST(AddressSet, LettersCompareWithoutCaseButOtherBytesExactly) {
    recipients::AddressSet set;
    EXPECT_TRUE(set.insert("Taro@Example.COM"));
    EXPECT_FALSE(set.insert("taro@example.com"));
    EXPECT_TRUE(set.contains("TARO@EXAMPLE.COM"));
    EXPECT_FALSE(set.contains("taro@example.co"));
    EXPECT_TRUE(set.insert("山田@例え.jp"));
    EXPECT_TRUE(set.insert("山田@例え.JP") == false);
    EXPECT_TRUE(set.insert("ｔａｒｏ@example.com"));  // full-width letters are other characters
    // The ends of the alphabet fold; the bytes just outside it ("@[`{") do not.
    for (const char* other :
         {"Zed@x.jp", "ann.lee.abc@x.jp", "a`@x.jp", "a@`x.jp", "a[@x.jp", "a{@x.jp"})
        EXPECT_TRUE(set.insert(other)) << other;
    EXPECT_FALSE(set.insert("zed@x.jp"));
    EXPECT_FALSE(set.insert("Ann.lee.abc@x.jp"));
    EXPECT_TRUE(set.insert(""));
    EXPECT_FALSE(set.insert(""));

    // Growing keeps every address findable, under either case.
    std::vector<std::string> many;
    for (int n = 0; n < 20000; ++n) many.push_back("user" + std::to_string(n) + "@x.jp");
    recipients::AddressSet grown;
    for (const auto& address : many) EXPECT_TRUE(grown.insert(address));
    std::size_t found = 0;
    for (auto address : many) {
        for (char& c : address) c = char(std::toupper(static_cast<unsigned char>(c)));
        found += grown.contains(address) && !grown.insert(address);
    }
    EXPECT_EQ(found, many.size());
    EXPECT_FALSE(grown.contains("user20000@x.jp"));
}

}  // namespace
