// The writer's system calls, recorded through the linker's --wrap: a power cut may come at
// any moment, so the new bytes must be on disk before the rename makes them the file, and
// the folder synced after it so that the rename itself survives.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <string>
#include <vector>

#include "store/atomic_file.h"
#include "support/temp_app_folder.h"

namespace {
std::vector<std::string> calls;
}

extern "C" {
int __real_fsync(int fd);
int __real_renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                     unsigned flags);
int __real_rename(const char* oldpath, const char* newpath);

int __wrap_fsync(int fd) {
    struct stat st;
    const bool folder = ::fstat(fd, &st) == 0 && S_ISDIR(st.st_mode);
    calls.push_back(folder ? "sync folder" : "sync file");
    return __real_fsync(fd);
}
int __wrap_renameat2(int olddirfd, const char* oldpath, int newdirfd, const char* newpath,
                     unsigned flags) {
    calls.push_back("rename");
    return __real_renameat2(olddirfd, oldpath, newdirfd, newpath, flags);
}
int __wrap_rename(const char* oldpath, const char* newpath) {
    calls.push_back("rename");
    return __real_rename(oldpath, newpath);
}
}

namespace {

TEST(AtomicFileWriteOrder, FileSyncedBeforeTheRenameAndFolderAfter) {
    TempAppFolder dir;
    for (const bool replacing : {false, true}) {
        SCOPED_TRACE(replacing ? "replacing a file" : "a new file");
        calls.clear();
        store::textfile::writeAll(dir.file("list.txt"), "address,1\r\n");
        EXPECT_EQ(calls, (std::vector<std::string>{"sync file", "rename", "sync folder"}));
    }
}

}  // namespace
