#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "recipients/optout_reader.h"

// The opt-out dialog's edits laid onto optout.txt as it is at the save, which another
// program may have changed since the dialog read it: its additions are never lost.
namespace recipients {

struct OptOutMerge {
    std::vector<std::string> addresses;  // to write, in order
    // Addresses the other program added (or added again) that the list keeps.
    std::size_t othersKept = 0;
    // Removed in the dialog but added again by the other program meanwhile: kept, and named.
    std::vector<std::string> keptAgainstRemoval;
};

// `opened` is the file as the dialog read it, `now` as it is under the writer's lock,
// `edited` the dialog's addresses (ASCII). The dialog's additions are what `edited` holds
// and `opened` did not, its removals the other way round; both are applied to `now`.
OptOutMerge mergeOptOutEdits(const OptOutFileText& opened, const OptOutFileText& now,
                             const std::vector<std::string>& edited);

}  // namespace recipients
