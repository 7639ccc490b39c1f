#include "store/optout_file.h"

#include <sys/file.h>
#include <unistd.h>

#include <filesystem>
#include <functional>

#include <gtest/gtest.h>

#include "file_checks.h"
#include "store/project_store.h"
#include "support/temp_app_folder.h"

using store::StoreError;

TEST(OptOutFile, MissingIsEmptyButAnythingUnreadableRefusesNamingTheFile) {
    TempAppFolder dir;
    const std::string path = store::ProjectStore(dir.path()).optOutPath();
    ASSERT_EQ(path, dir.path() + "optout.txt");
    EXPECT_EQ(store::optoutfile::read(path), "");

    const std::function<void()> arrange[] = {
        [&] { dir.makeFolder("optout.txt"); },
        [&] { ASSERT_EQ(::symlink("nowhere.txt", path.c_str()), 0); },
    };
    for (const auto& make : arrange) {
        make();
        std::string what;
        EXPECT_EQ(filechecks::errorKindOf([&] { store::optoutfile::read(path); }, &what),
                  StoreError::Kind::CannotOpen);
        EXPECT_NE(what.find(path), std::string::npos) << what;
        std::filesystem::remove(path);
    }
    // A writer holds it: read nothing rather than an empty list.
    dir.write("optout.txt", "a@x.jp\r\n");
    filechecks::OtherHolder writer(path, LOCK_EX);
    EXPECT_EQ(filechecks::errorKindOf([&] { store::optoutfile::read(path); }),
              StoreError::Kind::CannotOpen);
}

TEST(OptOutFile, IsWrittenPrivateWithCrLfAndReadsBack) {
    TempAppFolder dir;
    const std::string path = dir.file("optout.txt");
    const std::vector<std::string> addresses = {"a@x.jp", sj("ｂ＠ｘ．ｊｐ"), "\x95\x5c@x.jp"};
    for (unsigned before : {0u, 0644u}) {
        if (before) dir.setMode("optout.txt", before);
        store::optoutfile::write(path, addresses);
        EXPECT_EQ(dir.read("optout.txt"),
                  "a@x.jp\r\n" + sj("ｂ＠ｘ．ｊｐ") + "\r\n\x95\x5c@x.jp\r\n");
        EXPECT_EQ(dir.mode("optout.txt"), 0600u) << before;
        EXPECT_EQ(store::optoutfile::read(path), dir.read("optout.txt"));
    }
    store::optoutfile::write(path, {});
    EXPECT_EQ(store::optoutfile::read(path), "");
}

// The edit sees the file as it is under the lock; the old bytes go to .bak only when asked,
// private even when the old file was not; an edit that throws writes nothing.
TEST(OptOutFile, RewriteEditsTheFileAsItIsAndKeepsTheOldOneWhenAsked) {
    TempAppFolder dir;
    const std::string path = dir.file("optout.txt");
    const std::string handMade = "\xEF\xBB\xBFname,mail\r\n,a@x.jp\r\n";
    dir.write("optout.txt", handMade);
    dir.setMode("optout.txt", 0644);
    EXPECT_THROW(store::optoutfile::rewrite(path,
                                            [](const std::string&) -> store::optoutfile::Rewrite {
                                                throw std::runtime_error("no");
                                            }),
                 std::runtime_error);
    EXPECT_EQ(dir.read("optout.txt"), handMade);
    for (const bool keepOld : {false, true}) {
        dir.write("optout.txt", handMade);
        dir.setMode("optout.txt", 0644);
        std::string seen;
        store::optoutfile::rewrite(path, [&](const std::string& now) {
            seen = now;
            return store::optoutfile::Rewrite{{"a@x.jp"}, keepOld};
        });
        EXPECT_EQ(seen, handMade);
        EXPECT_EQ(dir.exists("optout.txt.bak"), keepOld);
        EXPECT_EQ(dir.read("optout.txt"), "a@x.jp\r\n");
        EXPECT_EQ(dir.mode("optout.txt"), 0600u);
    }
    EXPECT_EQ(store::optoutfile::backupPath(path), path + ".bak");
    EXPECT_EQ(dir.read("optout.txt.bak"), handMade);
    EXPECT_EQ(dir.mode("optout.txt.bak"), 0600u);
}
