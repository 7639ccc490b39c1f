#pragma once

#include <string>

namespace bench {

// The baseline for writing a file: cp of the file to a new file in the same folder, then
// sync of that new file, timed together in milliseconds. The copy is removed afterwards.
double copyAndSyncMillis(const std::string& path);

}  // namespace bench
