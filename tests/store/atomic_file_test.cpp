#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>

#include <gtest/gtest.h>

#include "file_checks.h"
#include "store/store_error.h"
#include "store/text_file.h"
#include "support/temp_app_folder.h"

using namespace store::textfile;
using filechecks::countEntries;
using filechecks::errorKindOf;
using filechecks::OtherHolder;
using store::StoreError;
using Lines = std::vector<std::string>;

TEST(AtomicFile, WritesCrLfAfterEveryLineAndNothingForAnEmptyList) {
    TempAppFolder dir;
    writeLines(dir.file("a.txt"), {"one", "", "three"});
    EXPECT_EQ(dir.read("a.txt"), "one\r\n\r\nthree\r\n");
    EXPECT_EQ(readLines(dir.file("a.txt")), (Lines{"one", "", "three"}));
    writeLines(dir.file("a.txt"), {});
    EXPECT_EQ(dir.read("a.txt"), "");
    writeAll(dir.file("b.txt"), std::string("x\0y", 3));
    EXPECT_EQ(readAll(dir.file("b.txt")), std::string("x\0y", 3));
    EXPECT_EQ(countEntries(dir.path()), 2) << "no temporary file may stay behind";
}

TEST(AtomicFile, ReplacingKeepsPermissionBitsAndNewFilesFollowTheUmask) {
    TempAppFolder dir;
    dir.write("kept.txt", "old");
    dir.setMode("kept.txt", 0640);
    writeAll(dir.file("kept.txt"), "new");
    EXPECT_EQ(dir.read("kept.txt"), "new");
    EXPECT_EQ(dir.mode("kept.txt"), 0640u);

    mode_t mask = ::umask(022);
    ::umask(mask);
    writeAll(dir.file("fresh.txt"), "x");
    EXPECT_EQ(dir.mode("fresh.txt"), 0666u & ~mask);
}

TEST(AtomicFile, ReplaceIsAtomicSoAReaderOfTheOldFileSeesItWhole) {
    TempAppFolder dir;
    dir.write("f.txt", "old contents");
    int reader = ::open(dir.file("f.txt").c_str(), O_RDONLY);
    ASSERT_GE(reader, 0);
    writeAll(dir.file("f.txt"), "new");
    char buffer[32] = {};
    ssize_t n = ::read(reader, buffer, sizeof buffer);
    ::close(reader);
    EXPECT_EQ(std::string(buffer, n > 0 ? n : 0), "old contents");
    EXPECT_EQ(dir.read("f.txt"), "new");
}

TEST(AtomicFile, ReadOnlyFilesAndMissingFoldersAreNeverWritten) {
    TempAppFolder dir;
    dir.write("ro.txt", "keep");
    dir.setMode("ro.txt", 0444);
    std::string what;
    EXPECT_EQ(errorKindOf([&] { writeAll(dir.file("ro.txt"), "lost"); }, &what),
              StoreError::Kind::CannotCreate);
    EXPECT_EQ(what, "ファイル " + dir.file("ro.txt") + " を作成できません");
    EXPECT_EQ(dir.read("ro.txt"), "keep");
    EXPECT_EQ(dir.mode("ro.txt"), 0444u);

    EXPECT_EQ(errorKindOf([&] { writeAll(dir.file("no/such/f.txt"), "x"); }),
              StoreError::Kind::CannotCreate);
    EXPECT_FALSE(dir.exists("no"));

    dir.makeFolder("folder.txt");
    EXPECT_EQ(errorKindOf([&] { writeAll(dir.file("folder.txt"), "x"); }),
              StoreError::Kind::CannotCreate);
    EXPECT_EQ(countEntries(dir.path()), 2);
}

TEST(AtomicFile, LocksOfOtherHoldersAreNotWaitedFor) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    {
        OtherHolder writer(dir.file("f.txt"), LOCK_EX);
        EXPECT_EQ(errorKindOf([&] { readAll(dir.file("f.txt")); }), StoreError::Kind::CannotOpen);
        EXPECT_EQ(errorKindOf([&] { writeAll(dir.file("f.txt"), "new"); }),
                  StoreError::Kind::CannotCreate);
    }
    {
        OtherHolder reader(dir.file("f.txt"), LOCK_SH);
        EXPECT_EQ(readAll(dir.file("f.txt")), "old") << "readers share";
        EXPECT_EQ(errorKindOf([&] { writeAll(dir.file("f.txt"), "new"); }),
                  StoreError::Kind::CannotCreate);
    }
    EXPECT_EQ(dir.read("f.txt"), "old");
    writeAll(dir.file("f.txt"), "new");
    EXPECT_EQ(dir.read("f.txt"), "new");
}

TEST(AtomicFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    // A file size limit makes the write fail part way, as a full disk would.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    std::string what;
    auto kind = errorKindOf([&] { writeAll(dir.file("f.txt"), std::string(10000, 'x')); }, &what);
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);

    EXPECT_EQ(kind, StoreError::Kind::WriteFailed);
    EXPECT_EQ(what, "ストリームへの書き込みエラー");
    EXPECT_EQ(dir.read("f.txt"), "old");
    EXPECT_EQ(countEntries(dir.path()), 1);
}
