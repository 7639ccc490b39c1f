#pragma once

#include <map>
#include <string>

// Zones under the reserved .test name, each domain hitting one case of the checks. The
// sending server of most cases is 192.0.2.10, whose PTR smtp.pass.test resolves back.
const std::map<std::string, std::string>& testZones();

constexpr const char* kServerAddress = "192.0.2.10";
constexpr const char* kMismatchedAddress = "192.0.2.20";  // PTR other.test, which is elsewhere
constexpr const char* kUnnamedAddress = "192.0.2.30";     // no PTR
