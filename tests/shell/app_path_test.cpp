#include <gtest/gtest.h>

#include "shell/app_path.h"

TEST(AppPath, FolderOfExecutableKeepsEverythingUpToTheLastSeparator) {
    EXPECT_EQ(shell::folderOfExecutable("/fendrival-setup"), "/");
    EXPECT_EQ(shell::folderOfExecutable("/opt/tool/fendrival-setup"), "/opt/tool/");
    // Multi-byte folder names: ソ and 表 end in 0x5C in Shift-JIS, never a separator here.
    EXPECT_EQ(shell::folderOfExecutable("/home/u/ソフト/fendrival-setup"), "/home/u/ソフト/");
    EXPECT_EQ(shell::folderOfExecutable("/data/表/x"), "/data/表/");
    EXPECT_EQ(shell::folderOfExecutable("/a b/c d/e"), "/a b/c d/");
}

TEST(AppPath, ExecutableFolderIsAbsoluteAndEndsWithSeparator) {
    std::string folder = shell::executableFolder();
    ASSERT_FALSE(folder.empty());
    EXPECT_EQ(folder.front(), '/');
    EXPECT_EQ(folder.back(), '/');
}
