#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <string>
#include <vector>

#include "store/comFunc.h"

namespace {

// A file with no write bit is read-only; the bits are checked because root could delete
// it anyway.
bool isReadOnly(const struct stat& st) {
    return !S_ISLNK(st.st_mode) && (st.st_mode & 0222) == 0;
}

int openFolderAt(int parent, const char* name) {
    int fd;
    do {
        fd = ::openat(parent, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    } while (fd < 0 && errno == EINTR);
    return fd;
}

std::vector<std::string> entriesOf(int folder) {
    std::vector<std::string> names;
    int listFd = ::dup(folder);
    if (listFd < 0) return names;
    DIR* dir = ::fdopendir(listFd);
    if (!dir) {
        ::close(listFd);
        return names;
    }
    while (const dirent* entry = ::readdir(dir)) {
        std::string name = entry->d_name;
        if (name != "." && name != "..") names.push_back(std::move(name));
    }
    ::closedir(dir);
    return names;
}

bool removeContents(int folder);

// Removes one entry of the open folder. Everything goes through descriptors opened
// without following links, so a link swapped in meanwhile is still only unlinked.
bool removeEntry(int folder, const std::string& name) {
    struct stat st;
    if (::fstatat(folder, name.c_str(), &st, AT_SYMLINK_NOFOLLOW) != 0) return false;
    if (S_ISDIR(st.st_mode)) {
        int sub = openFolderAt(folder, name.c_str());
        if (sub < 0) return false;
        bool emptied = removeContents(sub);
        ::close(sub);
        return emptied && ::unlinkat(folder, name.c_str(), AT_REMOVEDIR) == 0;
    }
    if (isReadOnly(st)) return false;
    return ::unlinkat(folder, name.c_str(), 0) == 0;
}

// Depth first; stops at the first entry that cannot be removed.
bool removeContents(int folder) {
    for (const auto& name : entriesOf(folder)) {
        if (!removeEntry(folder, name)) return false;
    }
    return true;
}

}  // namespace

bool fncDeleteFolder(const std::string& path) {
    std::string folder = fncIncludeDelimiter(path);
    while (folder.size() > 1 && folder.back() == '/') folder.pop_back();
    if (folder.empty()) return false;

    // The folder itself must be a real folder: a link in its place is not followed.
    struct stat st;
    if (::lstat(folder.c_str(), &st) != 0 || !S_ISDIR(st.st_mode)) return false;
    int fd = openFolderAt(AT_FDCWD, folder.c_str());
    if (fd < 0) return false;
    bool emptied = removeContents(fd);
    ::close(fd);
    return emptied && ::rmdir(folder.c_str()) == 0;
}
