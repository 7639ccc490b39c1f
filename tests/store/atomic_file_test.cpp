#include "store/atomic_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <string>
#include <string_view>
#include <vector>

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

TEST(AtomicFile, ASuccessfulWriteRemovesOnlyStaleTemporaryFilesOfTheSameFile) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    dir.write("g.txt", "other file");
    const char* const kept[] = {
        ".g.txt.tmp999-3",  // another file's
        ".f.txt.tmpx-1",    // not a name the writer gives
        ".f.txt.tmp999-",  "f.txt.tmp999-1", ".f.txt.tmp999-1x",
    };
    for (const char* name : kept) dir.write(name, "keep");
    dir.write(".f.txt.tmp999-1", "left by a killed write");
    dir.write(".f.txt.tmp12-0", "left by another killed write");
    dir.write(".f.txt.tmp998-2", "a live writer's");
    dir.makeFolder(".f.txt.tmp996-5");
    ASSERT_EQ(::symlink("g.txt", dir.file(".f.txt.tmp997-4").c_str()), 0);
    const bool root = ::geteuid() == 0;
    if (root) {
        // Root's writer gives its temporary file the target's owner: those go, others stay.
        ASSERT_EQ(::chown(dir.file("f.txt").c_str(), 4343, 4343), 0);
        dir.write(".f.txt.tmp994-7", "left by a killed root write");
        ASSERT_EQ(::chown(dir.file(".f.txt.tmp994-7").c_str(), 4343, 4343), 0);
        dir.write(".f.txt.tmp995-6", "someone else's");
        ASSERT_EQ(::chown(dir.file(".f.txt.tmp995-6").c_str(), 4242, 4242), 0);
    }
    {
        OtherHolder live(dir.file(".f.txt.tmp998-2"), LOCK_EX);
        writeAll(dir.file("f.txt"), "new");
    }
    EXPECT_EQ(dir.read("f.txt"), "new");
    EXPECT_FALSE(dir.exists(".f.txt.tmp999-1"));
    EXPECT_FALSE(dir.exists(".f.txt.tmp12-0"));
    EXPECT_EQ(dir.read(".f.txt.tmp998-2"), "a live writer's");
    for (const char* name : kept) EXPECT_EQ(dir.read(name), "keep") << name;
    EXPECT_TRUE(dir.exists(".f.txt.tmp996-5"));
    EXPECT_EQ(dir.read(".f.txt.tmp997-4"), "other file") << "the link stays, and its target";
    if (root) {
        EXPECT_FALSE(dir.exists(".f.txt.tmp994-7"));
        EXPECT_TRUE(dir.exists(".f.txt.tmp995-6"));
    }
}

TEST(AtomicFile, TemporaryNamesAreReadFromTheEnd) {
    struct Case {
        const char* name;
        const char* target;
    } cases[] = {
        {".list.txt.tmp123-4", "list.txt"},
        {".a.tmp1-2.tmp3-4", "a.tmp1-2"},
        {".x.tmp0-0", "x"},
        {".tmp1-2", ""},
        {"..tmp1-2", ""},
        {".x.tmp-2", ""},
        {".x.tmp1-", ""},
        {".x.tmp1-2 ", ""},
        {"x.tmp1-2", ""},
        {".x.tmp12", ""},
        {"", ""},
    };
    for (const auto& c : cases) EXPECT_EQ(temporaryTarget(c.name), c.target) << c.name;
}

TEST(AtomicFile, AFileMadeReadOnlyAtAnyMomentOfAWriteStaysUnchanged) {
    enum Moment { AfterOpening, AfterWriting, AfterFlushing };
    for (Moment moment : {AfterOpening, AfterWriting, AfterFlushing}) {
        TempAppFolder dir;
        dir.write("list.txt", "old");
        dir.setMode("list.txt", 0640);
        auto kind = errorKindOf([&] {
            AtomicWriter out(dir.file("list.txt"));
            if (moment == AfterOpening) dir.setMode("list.txt", 0444);
            out.append(std::string(3 << 20, 'x'));  // past the block buffer
            if (moment == AfterWriting) dir.setMode("list.txt", 0444);
            out.append("tail");
            if (moment == AfterFlushing) dir.setMode("list.txt", 0444);
            out.commit();
        });
        EXPECT_EQ(kind, StoreError::Kind::CannotCreate) << moment;
        EXPECT_EQ(dir.read("list.txt"), "old") << moment;
        EXPECT_EQ(dir.mode("list.txt"), 0444u) << moment;
        EXPECT_EQ(countEntries(dir.path()), 1) << moment;
    }
}

TEST(AtomicFile, AModeChangedDuringAWriteIsTheOneTheNewFileKeeps) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    dir.setMode("f.txt", 0640);
    AtomicWriter out(dir.file("f.txt"));
    out.append("new");
    dir.setMode("f.txt", 0600);
    out.commit();
    EXPECT_EQ(dir.read("f.txt"), "new");
    EXPECT_EQ(dir.mode("f.txt"), 0600u);
}

TEST(AtomicFile, ANewFileNeverReplacesOneThatAppearedDuringTheWrite) {
    TempAppFolder dir;
    auto kind = errorKindOf([&] {
        AtomicWriter out(dir.file("f.txt"));
        out.append("ours");
        dir.write("f.txt", "theirs");
        out.commit();
    });
    EXPECT_EQ(kind, StoreError::Kind::CannotCreate);
    EXPECT_EQ(dir.read("f.txt"), "theirs");
    EXPECT_EQ(countEntries(dir.path()), 1);
}

TEST(AtomicFile, AFolderThatCannotBeSyncedIsReportedWithTheNewContentInPlace) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    // The writer takes the two lowest free descriptors (old file, temporary file); with
    // the limit just above them the folder cannot be opened for its sync.
    int first = ::dup(0);
    int second = ::dup(0);
    ::close(first);
    ::close(second);
    if (second != first + 1) GTEST_SKIP() << "no two adjacent free descriptors";
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_NOFILE, &saved), 0);
    rlimit tight = saved;
    tight.rlim_cur = static_cast<rlim_t>(second + 1);
    std::string what;
    StoreError::Kind kind = StoreError::Kind::CannotCreate;
    {
        AtomicWriter out(dir.file("f.txt"));
        out.append("new");
        ASSERT_EQ(::setrlimit(RLIMIT_NOFILE, &tight), 0);
        kind = errorKindOf([&] { out.commit(); }, &what);
        ::setrlimit(RLIMIT_NOFILE, &saved);
    }
    EXPECT_EQ(kind, StoreError::Kind::WriteFailed);
    EXPECT_EQ(what, "ストリームへの書き込みエラー");
    EXPECT_EQ(dir.read("f.txt"), "new");
    EXPECT_EQ(countEntries(dir.path()), 1);
}

TEST(AtomicFile, AWriterHeldBetweenOpenAndLockBuildsOnTheOtherWritersFile) {
    TempAppFolder dir;
    dir.write("f.txt", "first\r\n");
    // The other writer replaces the file after ours opened it and before ours locks it.
    setBeforeLockHook([&] {
        const std::string old = readAll(dir.file("f.txt"));
        writeAll(dir.file("f.txt"), old + "theirs\r\n");
    });
    {
        AtomicWriter out(dir.file("f.txt"));
        ASSERT_GE(out.oldFile(), 0);
        out.append(readAll(dir.file("f.txt"), out.oldFile()) + "ours\r\n");
        out.commit();
    }
    setBeforeLockHook(nullptr);
    EXPECT_EQ(dir.read("f.txt"), "first\r\ntheirs\r\nours\r\n");
    EXPECT_EQ(countEntries(dir.path()), 1);
}

TEST(AtomicFile, PiecesGoOutInOrderBetweenBufferedBytes) {
    TempAppFolder dir;
    dir.write("f.txt", "old");
    std::string expected = "head|";
    std::vector<std::string> owned;
    for (int i = 0; i < 3000; ++i) owned.push_back(std::to_string(i) + (i % 7 ? "," : "\r\n"));
    owned.emplace_back(2 << 20, 'z');  // one piece larger than the block buffer
    std::vector<std::string_view> pieces(owned.begin(), owned.end());
    pieces.emplace_back("");
    for (const auto& p : owned) expected += p;
    expected += "|tail";
    {
        AtomicWriter out(dir.file("f.txt"));
        out.append("head|");
        out.appendPieces(pieces);
        out.appendPieces({});
        out.append("|tail");
        out.commit();
    }
    EXPECT_TRUE(dir.read("f.txt") == expected);

    // A piece that cannot be written fails the write as a full disk does.
    rlimit saved{};
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit small = saved;
    small.rlim_cur = 4096;
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    auto kind = errorKindOf([&] {
        AtomicWriter out(dir.file("f.txt"));
        out.appendPieces(pieces);
        out.commit();
    });
    ::setrlimit(RLIMIT_FSIZE, &saved);
    std::signal(SIGXFSZ, oldHandler);
    EXPECT_EQ(kind, StoreError::Kind::WriteFailed);
    EXPECT_TRUE(dir.read("f.txt") == expected);
    EXPECT_EQ(countEntries(dir.path()), 1);
}

TEST(AtomicFile, AppendsOfEverySizeGoOutInOrder) {
    // Sizes around the block buffer and the direct-write limit, in a file large enough that
    // its writeback is started while it is written.
    const std::size_t sizes[] = {1, 30, 4095, 65535, 65536, 65537, 1 << 20, (1 << 20) + 1, 3 << 20};
    TempAppFolder dir;
    dir.write("f.txt", "old");
    std::string expected;
    {
        AtomicWriter out(dir.file("f.txt"));
        char fill = 'a';
        for (int round = 0; round < 3; ++round) {
            for (std::size_t size : sizes) {
                const std::string bytes(size, fill);
                fill = fill == 'z' ? 'a' : char(fill + 1);
                out.append(bytes);
                expected += bytes;
            }
        }
        out.commit();
    }
    EXPECT_TRUE(dir.read("f.txt") == expected);
    EXPECT_EQ(countEntries(dir.path()), 1);
}

TEST(AtomicFile, TheReplacedFileIsUnlockedWhenTheCommitReturns) {
    // Small and large old files: a large one is closed off the caller's thread.
    for (std::size_t size : {std::size_t(3), std::size_t(6) << 20}) {
        TempAppFolder dir;
        dir.write("f.txt", std::string(size, 'o'));
        const int held = ::open(dir.file("f.txt").c_str(), O_RDONLY);
        ASSERT_GE(held, 0);
        {
            AtomicWriter out(dir.file("f.txt"));
            EXPECT_NE(::flock(held, LOCK_SH | LOCK_NB), 0) << size;
            out.append("new");
            out.commit();
        }
        EXPECT_EQ(::flock(held, LOCK_EX | LOCK_NB), 0) << size;
        struct stat st {};
        ASSERT_EQ(::fstat(held, &st), 0);
        EXPECT_EQ(st.st_nlink, 0u) << size;
        EXPECT_EQ(std::size_t(st.st_size), size);
        ::close(held);
        EXPECT_EQ(dir.read("f.txt"), "new");
        EXPECT_EQ(countEntries(dir.path()), 1);
    }
}
