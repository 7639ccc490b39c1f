#pragma once

#include <string>

namespace benchoptout {

// A child run: the real window loads the store's only project and saves its group, every
// box answered OK; prints the time from the press to the closing information box and the
// peak memory. Returns non-zero when the group did not hold `recipients` lines or the save
// showed other boxes than a question and that information box.
int measureWindowSave(int argc, char** argv, const std::string& app, long recipients);

}  // namespace benchoptout
