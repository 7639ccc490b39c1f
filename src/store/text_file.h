#pragma once

#include <string>
#include <string_view>
#include <vector>

// Whole-file reads and writes of the store. Paths are on-disk (UTF-8) paths; contents
// are raw bytes. Every failure throws store::StoreError.
namespace store::textfile {

// A regular file exists at the path (a folder of that name does not count).
bool fileExists(const std::string& path);
bool folderExists(const std::string& path);

// Lines end at CR LF, lone LF or lone CR; a NUL byte ends the text; a final line end
// gives no extra empty line.
std::vector<std::string> splitLines(std::string_view bytes);

// The same lines one at a time, as views into the text, for large files.
class LineReader {
public:
    explicit LineReader(std::string_view bytes);
    // The next line without its line end; false after the last one.
    bool next(std::string_view& line);

private:
    std::string_view text_;
    std::size_t pos_ = 0;
};

// Reads the whole file under a shared advisory lock taken without waiting.
// Throws CannotOpen when the file is missing, unreadable or locked for writing.
std::string readAll(const std::string& path);
std::vector<std::string> readLines(const std::string& path);

// Replaces the file atomically (temporary file in the same folder, flushed, renamed),
// keeping the old file's permission bits, under an exclusive advisory lock on the old
// file taken without waiting. A file without any write permission bit is never replaced.
// Throws CannotCreate (folder missing, read-only, locked) or WriteFailed (disk full).
void writeAll(const std::string& path, std::string_view bytes);
// Every line followed by CR LF; an empty list gives a file of zero bytes.
void writeLines(const std::string& path, const std::vector<std::string>& lines);

// Creates the folder and every missing parent; new folders are private to the user (0700).
// An existing folder is no error. Throws CannotCreate with the folder's path on failure.
void createFolderChain(const std::string& path);

}  // namespace store::textfile
