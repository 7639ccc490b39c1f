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
