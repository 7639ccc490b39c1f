#include "store/optout_file.h"

#include <sys/stat.h>

#include <cerrno>

#include "store/atomic_file.h"
#include "store/private_file.h"
#include "store/store_error.h"
#include "store/text_file.h"

namespace store::optoutfile {
std::string read(const std::string& path) {
    struct stat st;
    // Only a path with nothing at all is an empty list; a dangling link is not.
    if (::lstat(path.c_str(), &st) != 0 && errno == ENOENT) return {};
    return textfile::readAll(path);
}

void write(const std::string& path, const std::vector<std::string>& addresses) {
    rewrite(path, [&](const std::string&) { return Rewrite{addresses, false}; });
}

std::string backupPath(const std::string& path) {
    return path + ".bak";
}

void rewrite(const std::string& path, const std::function<Rewrite(const std::string& now)>& edit) {
    privatefile::createIfMissing(path);
    textfile::AtomicWriter out(path);
    const std::string now = out.oldFile() >= 0 ? textfile::readAll(path, out.oldFile()) : "";
    const Rewrite next = edit(now);
    if (next.keepOld) {
        const std::string backup = backupPath(path);
        privatefile::createIfMissing(backup);
        textfile::writeAll(backup, now);
        privatefile::makePrivate(backup);
    }
    for (const std::string& address : next.addresses) {
        out.append(address);
        out.append("\r\n");
    }
    out.commit();
    privatefile::makePrivate(path);
}

}  // namespace store::optoutfile
