#pragma once

#include <cstdint>
#include <string>

namespace precheck {

// The least a run takes through its pauses alone: a pause after every `interval` mails
// but the last batch. Sending time itself comes on top.
std::int64_t pauseSeconds(std::int64_t recipients, std::int64_t interval, std::int64_t pause);

// "2日3時間4分", leaving out leading zero parts; "0分" under a minute, rounded up.
std::string durationText(std::int64_t seconds);

}  // namespace precheck
