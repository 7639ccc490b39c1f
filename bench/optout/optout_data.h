#pragma once

#include <cstddef>
#include <string>

namespace benchoptout {

// From a list.txt: every `step`th line's address as optout.txt (CP932, CR LF, every third
// one in capitals), the same with LF ends for awk, and a recipient field (UTF-8, LF) of
// the first `fieldLines` addresses. Returns the number of opt-outs.
std::size_t writeOptOutFiles(const std::string& listPath, std::size_t step,
                             const std::string& optOutPath, const std::string& awkOptOutPath,
                             const std::string& fieldPath, std::size_t fieldLines);

}  // namespace benchoptout
