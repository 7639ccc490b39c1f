#include <unistd.h>

#include <filesystem>

#include <gtest/gtest.h>

#include "store/comFunc.h"
#include "support/temp_app_folder.h"

TEST(CheckName, RefusesEachOfTheFourteenCharactersAnywhere) {
    for (char c : std::string("~|#/'\"*&%\\,?<>")) {
        const std::string ch(1, c);
        EXPECT_FALSE(fncCheckName(ch)) << ch;
        EXPECT_FALSE(fncCheckName("ab" + ch)) << ch;
        EXPECT_FALSE(fncCheckName(ch + "ab")) << ch;
        EXPECT_FALSE(fncCheckName(sj("表") + ch + sj("ソ"))) << ch;
    }
}

TEST(CheckName, PassesEverythingElseIncludingTrailBytesThatLookRefused) {
    EXPECT_TRUE(fncCheckName(""));
    EXPECT_TRUE(fncCheckName("a:b. c"));
    EXPECT_TRUE(fncCheckName(".."));
    EXPECT_TRUE(fncCheckName(sj("　案件　")));
    EXPECT_TRUE(fncCheckName(sj("ソフト表計算")));  // trail byte 0x5C
    EXPECT_TRUE(fncCheckName(sj("ポ")));            // trail byte 0x7C
    EXPECT_TRUE(fncCheckName("\x81\x7E"));          // trail byte 0x7E
    // The edges of the lead-byte ranges: 0x9F, 0xE0 and 0xFC still take their trail byte.
    EXPECT_TRUE(fncCheckName(sj("毫歃")));  // 0x9F 0x7C, 0x9F 0x5C
    EXPECT_TRUE(fncCheckName(sj("烝")));    // 0xE0 0x7E
    EXPECT_TRUE(fncCheckName("\xFC\x5C"));
    EXPECT_FALSE(fncCheckName("\xA0\x5C"));  // 0xA0 leads nothing
    EXPECT_FALSE(fncCheckName(sj("表") + "\\"));
    EXPECT_FALSE(fncCheckName("a\x83\x5C\x5C"));
}

TEST(IncludeDelimiter, EndsEveryNonEmptyPathInOneSeparator) {
    EXPECT_EQ(fncIncludeDelimiter(""), "");
    EXPECT_EQ(fncIncludeDelimiter("/app/Mail/P"), "/app/Mail/P/");
    EXPECT_EQ(fncIncludeDelimiter("/app/Mail/P/"), "/app/Mail/P/");
    EXPECT_EQ(fncIncludeDelimiter("relative"), "relative/");
    EXPECT_EQ(fncIncludeDelimiter("/"), "/");
    EXPECT_EQ(fncIncludeDelimiter("ソ"), "ソ/");
}

namespace fs = std::filesystem;

TEST(DeleteFolder, RemovesWholeTreesDepthFirstHiddenFoldersIncluded) {
    TempAppFolder dir;
    dir.makeFolder("empty");
    EXPECT_TRUE(fncDeleteFolder(dir.file("empty")));
    EXPECT_FALSE(dir.exists("empty"));

    dir.write("P/list.txt", "a,0\r\n");
    dir.write("P/.hidden/deeper/.secret", "x");
    dir.write("P/sub/Body-0.txt", "b");
    dir.makeFolder("P/sub/empty");
    dir.setMode("P/.hidden", 0500);  // a folder without write bits is still emptied
    EXPECT_TRUE(fncDeleteFolder(dir.file("P/")));
    EXPECT_FALSE(dir.exists("P"));

    EXPECT_FALSE(fncDeleteFolder(dir.file("P"))) << "a missing folder";
    dir.write("file", "x");
    EXPECT_FALSE(fncDeleteFolder(dir.file("file")));
    EXPECT_TRUE(dir.exists("file"));
}

TEST(DeleteFolder, RemovesLinksAndNeverWhatTheyPointTo) {
    TempAppFolder dir;
    dir.write("outside/keep.txt", "keep");
    dir.write("P/a.txt", "a");
    dir.makeFolder("P/sub");
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("P/sub/to-folder").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("outside/keep.txt").c_str(), dir.file("P/to-file").c_str()), 0);
    ASSERT_EQ(::symlink(dir.file("nowhere").c_str(), dir.file("P/dangling").c_str()), 0);
    EXPECT_TRUE(fncDeleteFolder(dir.file("P")));
    EXPECT_FALSE(dir.exists("P"));
    EXPECT_EQ(dir.read("outside/keep.txt"), "keep");

    // A link in the folder's own place is not followed either.
    ASSERT_EQ(::symlink(dir.file("outside").c_str(), dir.file("Q").c_str()), 0);
    EXPECT_FALSE(fncDeleteFolder(dir.file("Q")));
    EXPECT_FALSE(fncDeleteFolder(dir.file("Q/")));
    EXPECT_EQ(dir.read("outside/keep.txt"), "keep");
}

TEST(DeleteFolder, AReadOnlyFileStopsTheRemovalAndEveryFolderAboveStays) {
    TempAppFolder dir;
    dir.write("P/sub/locked.txt", "keep");
    dir.setMode("P/sub/locked.txt", 0444);
    EXPECT_FALSE(fncDeleteFolder(dir.file("P")));
    EXPECT_EQ(dir.read("P/sub/locked.txt"), "keep");
    EXPECT_TRUE(dir.exists("P/sub"));

    // Whatever the listing order, the folder holds the read-only file and nothing that
    // was listed before it.
    dir.write("R/a.txt", "a");
    dir.write("R/b.txt", "b");
    dir.write("R/c.txt", "c");
    dir.write("R/d.txt", "d");
    dir.setMode("R/b.txt", 0400);
    EXPECT_FALSE(fncDeleteFolder(dir.file("R")));
    EXPECT_TRUE(dir.exists("R/b.txt"));
    int left = 0;
    for ([[maybe_unused]] const auto& entry : fs::directory_iterator(dir.file("R"))) ++left;
    EXPECT_LT(left, 4 + 1);
    EXPECT_GE(left, 1);
}
