#include "store/text_file.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

#include <csignal>
#include <filesystem>

#include <gtest/gtest.h>

#include "store/store_error.h"
#include "support/temp_app_folder.h"

using namespace store::textfile;
using store::StoreError;
using Lines = std::vector<std::string>;

namespace {

// Another holder of the file: its own open file description with its own flock.
class OtherHolder {
public:
    OtherHolder(const std::string& path, int operation) : fd_(::open(path.c_str(), O_RDONLY)) {
        if (fd_ < 0 || ::flock(fd_, operation | LOCK_NB) != 0) ADD_FAILURE() << "no lock";
    }
    ~OtherHolder() { ::close(fd_); }

private:
    int fd_;
};

int countEntries(const std::string& folder) {
    int n = 0;
    for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder)) ++n;
    return n;
}

template <typename F>
StoreError::Kind errorKindOf(F f, std::string* what = nullptr) {
    try {
        f();
    } catch (const StoreError& e) {
        if (what) *what = e.what();
        return e.kind();
    }
    ADD_FAILURE() << "no StoreError";
    return StoreError::Kind::WriteFailed;
}

}  // namespace

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

TEST(TextFile, WritesCrLfAfterEveryLineAndNothingForAnEmptyList) {
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

TEST(TextFile, ReplacingKeepsPermissionBitsAndNewFilesFollowTheUmask) {
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

TEST(TextFile, ReplaceIsAtomicSoAReaderOfTheOldFileSeesItWhole) {
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

TEST(TextFile, ReadOnlyFilesAndMissingFoldersAreNeverWritten) {
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

TEST(TextFile, LocksOfOtherHoldersAreNotWaitedFor) {
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

TEST(TextFile, AFailedWriteLeavesTheOldFileWholeAndNoTemporaryFile) {
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
