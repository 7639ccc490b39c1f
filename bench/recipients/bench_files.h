#pragma once

#include <string>

namespace benchrecipients {

inline constexpr const char* kProject = "bulk";

// A store whose project "bulk" has one group of `recipients` addresses in list.txt.
void writeGroupStore(const std::string& appPath, long recipients);

// Excel's Shift-JIS CSV of a customer list: a header, then `rows` rows of a Japanese name,
// the address and a company. Every 50th row repeats an earlier address in other case (2%)
// and every 100th holds a broken one (1%). Returns the number of distinct valid addresses.
long writeCustomerCsv(const std::string& path, long rows);

}  // namespace benchrecipients
