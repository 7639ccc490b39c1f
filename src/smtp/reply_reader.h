#pragma once

#include <cstddef>
#include <string>
#include <vector>

// Server replies read one at a time, whatever the packets: lines of exactly three digits,
// then a hyphen (more lines follow) or a blank or nothing (the last line), all lines with
// the same code.
namespace smtp {

// What the server offers in its EHLO reply.
struct Capabilities {
    std::vector<std::string> auth;  // mechanisms as the server wrote them
    bool size = false;
    bool eightBitMime = false;

    bool offers(const char* mechanism) const;  // in any case
};

class ReplyReader {
public:
    // Longest line kept; the rest of a longer line is read and dropped, so a hostile
    // server cannot fill the memory.
    static constexpr std::size_t kMaxLineBytes = 512;

    // Takes bytes up to the end of the reply (or up to a line that breaks the form) and
    // returns how many; what follows belongs to no reply that was asked for.
    std::size_t feed(const char* data, std::size_t size);
    bool complete() const { return complete_; }
    // Complete because a line was no reply line or changed the code.
    bool malformed() const { return malformed_; }
    int code() const { return code_; }
    // The last line, or the one that broke the form.
    const std::string& lastLine() const { return last_; }
    // Read from every line of the reply after the first, as they arrive.
    const Capabilities& capabilities() const { return capabilities_; }
    // The lines ended since the last call, for display.
    std::vector<std::string> takeLines();
    // A line begun and not yet ended.
    const std::string& pendingLine() const { return line_; }
    // Ready for the next reply; lines not yet taken stay.
    void restart();

private:
    void endLine();

    std::string line_;
    bool lineCut_ = false;
    std::size_t count_ = 0;
    int code_ = 0;
    bool complete_ = false;
    bool malformed_ = false;
    std::string last_;
    Capabilities capabilities_;
    std::vector<std::string> ended_;
};

}  // namespace smtp
