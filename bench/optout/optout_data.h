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

// For the group save: a store at app whose project holds one group of the first
// `fieldLines` addresses of a list.txt, and two optout.txt files of `optOuts` addresses
// taken after those lines: `noneInField` names none of the group, `someInField` swaps every
// `swapEvery`th for an address of the group. Throws when the list is too short.
void writeSaveStore(const std::string& listPath, const std::string& app, const std::string& project,
                    std::size_t fieldLines);
void writeSaveOptOuts(const std::string& listPath, std::size_t fieldLines, std::size_t optOuts,
                      std::size_t swapEvery, const std::string& noneInField,
                      const std::string& someInField);

}  // namespace benchoptout
