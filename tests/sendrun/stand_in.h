#pragma once

#include <string>
#include <vector>

#include "support/temp_app_folder.h"

// Programs that a test writes into a folder of its own, found first on PATH while the
// object lives, so no real browser or Java runtime is ever started.
class StandIns {
public:
    StandIns();
    ~StandIns();
    StandIns(const StandIns&) = delete;
    StandIns& operator=(const StandIns&) = delete;

    // Writes a /bin/sh script with the given body, runnable.
    void add(const std::string& name, const std::string& body) const;
    // Leaves only this folder on PATH: nothing else can be found.
    void pathOnlyHere() const;
    std::string file(const std::string& relative) const { return folder_.file(relative); }
    const TempAppFolder& folder() const { return folder_; }

private:
    TempAppFolder folder_;
    std::string savedPath_;
};

// Runs the program (PATH lookup, no shell) and returns its exit code, -1 if it did not exit.
int runProgram(const std::vector<std::string>& argv);

// A file of NUL-terminated fields, as the stand-ins write them with printf '%s\0'.
std::vector<std::string> readFields(const std::string& path);
