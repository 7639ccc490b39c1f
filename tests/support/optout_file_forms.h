#pragma once

#include <cstddef>
#include <string>
#include <vector>

// optout.txt as users keep it, each naming the same two opted-out addresses
// (stop.one@example.com and stop.two@example.com) or holding a line no address comes from.
struct OptOutFileForm {
    const char* name;
    std::string bytes;
    std::size_t refusedLine;  // 0: read; else the first line the list is refused for
    std::string refusedText;  // that line as shown (UTF-8)
    // Addresses read after the two (UTF-8, each ending in LF).
    std::string alsoRead = "";
};

std::vector<OptOutFileForm> optOutFileForms();
