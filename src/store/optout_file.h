#pragma once

#include <functional>
#include <string>
#include <vector>

// optout.txt, the store's one list of addresses that must receive no mail: CP932, one
// address a line, CR LF. It holds addresses of people, so it is private to the user.
namespace store::optoutfile {

// The file's bytes; "" when there is no file. Anything else at the path that cannot be
// read (a folder, no permission, locked by a writer) throws StoreError CannotOpen naming
// the path: a list that cannot be read must never pass for an empty one.
std::string read(const std::string& path);

// Replaces the file atomically with the addresses (CP932 bytes), each followed by CR LF,
// and leaves it with mode 0600.
void write(const std::string& path, const std::vector<std::string>& addresses);

struct Rewrite {
    std::vector<std::string> addresses;
    bool keepOld = false;  // the old bytes go to "<path>.bak" (mode 0600) first
};

// write() from the file as it is now: `edit` is given the bytes read under the writer's
// lock, so no other writer's change can slip in between the read and the write. Anything
// it throws leaves the file as it was.
void rewrite(const std::string& path, const std::function<Rewrite(const std::string& now)>& edit);

// Where keepOld puts the old bytes.
std::string backupPath(const std::string& path);

}  // namespace store::optoutfile
