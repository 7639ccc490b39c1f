#pragma once

#include <atomic>
#include <vector>

#include "precheck/check_item.h"
#include "precheck/precheck_input.h"

namespace precheck {

class DnsClient;

// Every check, in the order the result shows them. A stop ends it early with what was
// done; a look-up without an answer is a caution, never a pass.
std::vector<CheckItem> runChecks(const PrecheckInput& input, DnsClient& dns,
                                 const std::atomic<bool>& stop);

}  // namespace precheck
