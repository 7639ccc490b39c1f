#pragma once

#include <functional>
#include <string>

// Helpers shared by the windows. Strings are CP932 bytes; file and folder arguments are
// on-disk paths.

// Sets one key and writes the whole file back; five attempts 300 ms apart.
// 0 on success, -1 after the fifth failed attempt (reported once). Never creates a folder.
int fncIniWrite(const std::string& fileName, const std::string& section, const std::string& key,
                const std::string& value);
// The key's value; "" at once for a missing file, "" after five failed attempts (reported).
std::string fncIniRead(const std::string& fileName, const std::string& section,
                       const std::string& key);

// True unless the name holds one of ~ | # / ' " * & % \ , ? < > as a character of its own.
bool fncCheckName(const std::string& name);
// The path ending in the separator ("" stays "").
std::string fncIncludeDelimiter(const std::string& path);
// Removes the folder and all below it, depth first; links are removed, never followed;
// stops at the first entry it cannot remove. True when the folder itself was removed.
bool fncDeleteFolder(const std::string& path);

namespace store {

// How a final INI failure reaches the user; the shell installs a message box.
void setIniFailureReporter(std::function<void()> reporter);
// The pause between INI attempts; tests shorten it.
void setIniRetryWait(std::function<void()> wait);
void resetIniRetryWait();

inline constexpr int kIniAttempts = 5;
inline constexpr int kIniRetryMillis = 300;
inline constexpr const char* kIniFailureText = "Access fail to inifile.";

}  // namespace store
