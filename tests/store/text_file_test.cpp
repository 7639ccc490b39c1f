#include "store/text_file.h"

#include <gtest/gtest.h>

#include "file_checks.h"
#include "store/store_error.h"
#include "support/temp_app_folder.h"

using namespace store::textfile;
using store::StoreError;
using Lines = std::vector<std::string>;
using filechecks::errorKindOf;

TEST(TextFile, LinesEndAtCrLfLfCrAndTheTextAtNul) {
    struct Case {
        std::string bytes;
        Lines lines;
    } cases[] = {
        {"", {}},
        {"a", {"a"}},
        {"a\r\n", {"a"}},
        {"\r\n", {""}},
        {"a\r\nb\nc\rd", {"a", "b", "c", "d"}},
        {"a\r\r\nb", {"a", "", "b"}},
        {"a\n\rb", {"a", "", "b"}},
        {"a\n\n", {"a", ""}},
        {std::string("a\0b\r\nc", 6), {"a"}},
        {std::string("\0abc", 4), {}},
        {" x \t\r\n", {" x \t"}},
        {"\x83\x5C\r\n\x95\x5C", {"\x83\x5C", "\x95\x5C"}},
    };
    for (const auto& c : cases) EXPECT_EQ(splitLines(c.bytes), c.lines) << c.bytes;
}

TEST(TextFile, ReadingAMissingFileOrAFolderFailsWithItsPath) {
    TempAppFolder dir;
    dir.makeFolder("sub");
    std::string what;
    EXPECT_EQ(errorKindOf([&] { readAll(dir.file("none.txt")); }, &what),
              StoreError::Kind::CannotOpen);
    EXPECT_EQ(what, "ファイル " + dir.file("none.txt") + " は開けません");
    EXPECT_EQ(errorKindOf([&] { readAll(dir.file("sub")); }), StoreError::Kind::CannotOpen);
    EXPECT_FALSE(fileExists(dir.file("sub")));
    EXPECT_TRUE(folderExists(dir.file("sub")));
    EXPECT_FALSE(fileExists(dir.file("none.txt")));
}

TEST(TextFile, FolderChainsAreCreatedPrivateWithTheirParents) {
    TempAppFolder dir;
    createFolderChain(dir.file("Mail/p/q"));
    EXPECT_TRUE(folderExists(dir.file("Mail/p/q")));
    EXPECT_EQ(dir.mode("Mail"), 0700u);
    EXPECT_EQ(dir.mode("Mail/p/q"), 0700u);
    createFolderChain(dir.file("Mail/p/q/"));  // an existing folder is no error

    dir.write("file", "x");
    std::string what;
    EXPECT_EQ(errorKindOf([&] { createFolderChain(dir.file("file/sub")); }, &what),
              StoreError::Kind::CannotCreate);
    EXPECT_EQ(what, "ファイル " + dir.file("file") + " を作成できません");
}
