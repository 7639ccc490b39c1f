#pragma once

#include <string>
#include <string_view>
#include <vector>

// Atomic replacement of the store's files. Paths are on-disk (UTF-8) paths; contents are
// raw bytes. Every failure throws store::StoreError.
namespace store::textfile {

// Replaces the file atomically (temporary file in the same folder, flushed, renamed),
// keeping the old file's permission bits, under an exclusive advisory lock on the old
// file taken without waiting. A file without any write permission bit is never replaced.
// Throws CannotCreate (folder missing, read-only, locked) or WriteFailed (disk full).
void writeAll(const std::string& path, std::string_view bytes);

// writeAll in pieces, for output too large to build in memory first. The constructor
// checks and locks the old file and creates the temporary file (CannotCreate); append
// writes through a block buffer (WriteFailed); commit flushes, syncs and renames. Without
// commit the old file stays as it was.
class AtomicWriter {
public:
    explicit AtomicWriter(const std::string& path);
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // The old file, open and exclusively locked; -1 when there is none.
    int oldFile() const;
    void append(std::string_view bytes);
    void commit();

private:
    void flush();
    void discard();

    std::string path_;
    std::string temp_;
    int old_ = -1;
    int out_ = -1;
    std::string buffer_;
};

// Every line followed by CR LF; an empty list gives a file of zero bytes.
void writeLines(const std::string& path, const std::vector<std::string>& lines);

}  // namespace store::textfile
