#pragma once

#include <string>

// What a reply line says, by its code alone.
namespace smtp {

// The code a reply line starts with: exactly three digits, then a blank, a hyphen or the
// end of the line. 0 for any other line ("2500 x" is no 250).
int replyCode(const std::string& line);

// 2xx: done. 3xx: go on. 4xx and 5xx: refused, for now or for good.
bool isPositive(int code);
bool isIntermediate(int code);
bool isTransient(int code);
bool isRefusal(int code);
bool isRefusal(const std::string& line);

}  // namespace smtp
