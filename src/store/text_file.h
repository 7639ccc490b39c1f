#pragma once

#include <sys/types.h>

#include <string>
#include <string_view>
#include <vector>

// Reading the store's files, line splitting and folder creation; atomic replacement is in
// atomic_file.h. Paths are on-disk (UTF-8) paths; contents are raw bytes. Every failure
// throws store::StoreError.
namespace store::textfile {

// A regular file exists at the path (a folder of that name does not count).
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Lines end at CR LF, lone LF or lone CR; a NUL byte ends the text; a final line end
// gives no extra empty line.
std::vector<std::string> splitLines(std::string_view bytes);

// The same lines one at a time, as views into the text.
class LineReader {
public:
    explicit LineReader(std::string_view bytes);
    // The next line without its line end; false after the last one.
    bool next(std::string_view& line);

private:
    std::string_view text_;
    std::size_t pos_ = 0;
    // Where the next CR and LF stand, so that each byte is searched once even in a file
    // that uses only one of them.
    std::size_t nextCr_ = 0;
    std::size_t nextLf_ = 0;
};

// A file in blocks of whole lines through one reused buffer, under a shared advisory lock
// taken without waiting: a large list.txt is never held in memory whole, and a file that
// another program cuts short while it is read just ends early. The text ends at a NUL
// byte; throws CannotOpen as readAll does.
class LineBlocks {
public:
    explicit LineBlocks(const std::string& path);
    // Reads a file that the caller has open and locked already (see AtomicWriter).
    LineBlocks(const std::string& path, int lockedFd);
    ~LineBlocks();
    LineBlocks(const LineBlocks&) = delete;
    LineBlocks& operator=(const LineBlocks&) = delete;

    // The next block: whole lines with their line ends (the last block may end without
    // one), valid until the next call; false after the last block.
    bool next(std::string_view& block);

private:
    std::string path_;
    int fd_ = -1;
    std::string buffer_;
    std::size_t filled_ = 0;  // bytes of buffer_ that hold file data
    std::size_t handed_ = 0;  // bytes of buffer_ handed out as the last block
    off_t offset_ = 0;        // of the next read in the file
    bool atEnd_ = false;
};

// Reads the whole file under a shared advisory lock taken without waiting.
// Throws CannotOpen when the file is missing, unreadable or locked for writing.
std::string readAll(const std::string& path);
// Reads, from its start, a file that the caller holds open and locked (see
// AtomicWriter::oldFile); the path only names it in errors.
std::string readAll(const std::string& path, int lockedFd);
std::vector<std::string> readLines(const std::string& path);

// Creates the folder and every missing parent; new folders are private to the user (0700).
// An existing folder is no error. Throws CannotCreate with the folder's path on failure.
void createFolderChain(const std::string& path);

}  // namespace store::textfile
