#include "store/ini_document.h"

#include <gtest/gtest.h>

#include "support/temp_app_folder.h"

using store::IniDocument;

TEST(IniDocument, ParsingKeepsOnlySectionsAndTheirLines) {
    auto doc = IniDocument::parse(
        "prefix=1\r\n; head\r\n[ A ]\r\n;c=1\r\n\r\nk=v\r\nno key here\r\n"
        "[]\r\n x=1\n[A]\rk=second\r\n[trail\x81]\r\n");
    ASSERT_EQ(doc.sections().size(), 3u);
    EXPECT_EQ(doc.sections()[0].name, " A ") << "section names are not trimmed";
    EXPECT_EQ(doc.sections()[0].lines, (std::vector<std::string>{"k=v", "no key here"}));
    EXPECT_EQ(doc.sections()[1].name, "");
    EXPECT_EQ(doc.sections()[1].lines, (std::vector<std::string>{" x=1"}));
    EXPECT_EQ(doc.sections()[2].name, "A");
    // "\x81]" is one double-byte character, so that line closes no bracket.
    EXPECT_EQ(doc.sections()[2].lines, (std::vector<std::string>{"k=second", "[trail\x81]"}));
}

TEST(IniDocument, LooksUpTheFirstSectionAndKeyIgnoringAsciiCaseOnly) {
    auto doc = IniDocument::parse(
        "[Mail]\r\nKey =blank\r\nSMTP=a=b= \r\nEmpty=\r\n=nokey\r\n[mail]\r\nOther=x\r\n");
    EXPECT_EQ(doc.value("MAIL", "smtp"), std::optional<std::string>("a=b= "));
    EXPECT_EQ(doc.value("Mail", "Key"), std::nullopt) << "keys are not trimmed";
    EXPECT_EQ(doc.value("Mail", "Key "), std::optional<std::string>("blank"));
    EXPECT_EQ(doc.value("Mail", "Empty"), std::optional<std::string>(""));
    EXPECT_EQ(doc.value("mail", "Other"), std::nullopt) << "the first section of a name wins";
    EXPECT_EQ(doc.value("None", "SMTP"), std::nullopt);
}

TEST(IniDocument, SettingKeepsTheLinesPlaceAndTakesTheCallersSpelling) {
    const std::string section = sj("メール同報システム");
    auto doc = IniDocument::parse("[" + section + "]\r\nsmtpserver=old\r\nPort=25\r\n");
    doc.setValue(section, "SMTPServer", "new");
    doc.setValue(section, "GROUPCOUNT", "2");
    doc.setValue("Second", "k", "v");
    EXPECT_EQ(doc.serialize(), "[" + section +
                                   "]\r\nSMTPServer=new\r\nPort=25\r\nGROUPCOUNT=2\r\n\r\n"
                                   "[Second]\r\nk=v\r\n\r\n");
}

TEST(IniDocument, WritingAndParsingAgainGivesTheSameBytes) {
    auto doc = IniDocument::parse("junk\n[s]\nk=v\n\n;x\n[t]\n[s]\na\r\n");
    std::string once = doc.serialize();
    EXPECT_EQ(once, "[s]\r\nk=v\r\n\r\n[t]\r\n\r\n[s]\r\na\r\n\r\n");
    EXPECT_EQ(IniDocument::parse(once).serialize(), once);
    EXPECT_EQ(IniDocument::parse("").serialize(), "");
}
