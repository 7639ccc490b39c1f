#pragma once

#include <string>
#include <vector>

// A fresh application folder below the system temp folder, removed afterwards.
// path() ends with "/".
class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + relative; }

    // Whole-file helpers for arranging and checking bytes on disk.
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;

private:
    std::string path_;
};

// UTF-8 literal to CP932 bytes (test data is written in UTF-8 source).
std::string sj(const std::string& utf8);
