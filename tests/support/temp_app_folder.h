#pragma once

#include <string>

// A fresh application folder below the system temp folder for one test, removed afterwards
// (read-only bits are given back first). path() ends with "/". No Qt: the store tests use it.
class TempAppFolder {
public:
    TempAppFolder();
    ~TempAppFolder();
    TempAppFolder(const TempAppFolder&) = delete;
    TempAppFolder& operator=(const TempAppFolder&) = delete;

    const std::string& path() const { return path_; }
    std::string file(const std::string& relative) const { return path_ + relative; }

    // Arranging and checking bytes on disk, without the store's own code.
    void write(const std::string& relative, const std::string& bytes) const;
    std::string read(const std::string& relative) const;
    bool exists(const std::string& relative) const;
    void makeFolder(const std::string& relative) const;
    unsigned mode(const std::string& relative) const;
    void setMode(const std::string& relative, unsigned mode) const;

private:
    std::string path_;
};

// UTF-8 literal to the named iconv encoding, no BOM (the test sources are UTF-8); throws
// when it cannot be converted.
std::string encodeAs(const char* encoding, const std::string& utf8);
// The same to CP932 bytes.
std::string sj(const std::string& utf8);
