#pragma once

#include <functional>
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

// writeAll in pieces, for output too large to build in memory first, or built from the old
// file. The constructor opens and locks the old file, making sure the locked file is the
// one at the path, and creates the temporary file (CannotCreate); append writes through a
// block buffer (WriteFailed); commit flushes, syncs and renames, and only then unlocks.
// Without commit the old file stays as it was.
//
// Each temporary file is locked by its writer, so one that nobody holds is left over from
// a killed write; a successful commit removes those of the same file.
//
// commit throws CannotCreate, leaving the old file in place, when the old file has lost its
// last write bit or is no longer the file at the path at the moment of the rename, and
// when a file appeared at the path of a new one. It throws WriteFailed after the rename
// when the folder cannot be synced: the new content is then in place, but a power cut may
// still bring back the old file (whole), so the write is not reported as done.
class AtomicWriter {
public:
    explicit AtomicWriter(const std::string& path);
    ~AtomicWriter();
    AtomicWriter(const AtomicWriter&) = delete;
    AtomicWriter& operator=(const AtomicWriter&) = delete;

    // The old file, open and exclusively locked; -1 when there is none. Content that the
    // new file is built from is read through it, under the same lock.
    int oldFile() const;
    void append(std::string_view bytes);
    // Writes the pieces in order straight from where they lie, without copying them into
    // the block buffer first; they need to stay valid only during the call. Large bytes
    // given to append go out the same way.
    void appendPieces(const std::vector<std::string_view>& pieces);
    void commit();

private:
    void flush();
    void wrote(std::size_t bytes);
    void discard();
    void closeOld();
    void replaceOld();
    void placeNew();

    std::string path_;
    std::string temp_;
    int old_ = -1;
    int out_ = -1;
    unsigned tempMode_ = 0;
    std::string buffer_;
    std::size_t written_ = 0;  // bytes in the temporary file
    std::size_t started_ = 0;  // of those, handed to the disk ahead of the final sync
};

// Every line followed by CR LF; an empty list gives a file of zero bytes.
void writeLines(const std::string& path, const std::vector<std::string>& lines);

// The name of the file whose temporary file `name` is (a bare name, no folder), or "" when
// it is not a temporary file name of the writer.
std::string_view temporaryTarget(std::string_view name);

// Removes the temporary files in the folder that no writer holds (left by a killed write)
// and whose target name `isTarget` accepts. Only regular files of this user are touched,
// never a link. A folder that cannot be listed is left as it is.
void removeStaleTemporaries(const std::string& folder,
                            const std::function<bool(std::string_view target)>& isTarget);

// Tests only: runs once, in the next writer that finds an old file, between opening that
// file and locking it.
void setBeforeLockHook(std::function<void()> hook);

}  // namespace store::textfile
