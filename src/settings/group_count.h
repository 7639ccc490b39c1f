#pragma once

#include <optional>
#include <string>

// The held group count as the group actions may use it: a whole number from 1 to 99,999.
// A hand-edited count outside that range names no group we can show, add to or delete.
namespace groupcount {

inline constexpr int kMaxGroups = 99999;

std::optional<int> parse(const std::string& held);

}  // namespace groupcount
