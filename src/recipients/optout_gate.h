#pragma once

#include <cstddef>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/optout_list.h"

namespace store {
class ProjectStore;
}

// The last check before a run: the lines of a project's list.txt that name an opted-out
// address, and the list without exactly those lines. Every other byte stays as it was.
//
// A line's address is what the store shows for it (the text before the first comma) and,
// where quotes or blanks make the comma-text split differ, the line's first field as well:
// whichever of the two the sending program takes, an opted-out address is never mailed.
// Lines of no group are checked too; a NUL byte does not end the check.
namespace recipients {

struct OptedOutGroup {
    std::string group;  // the line's second field as stored ("" for a line of no group)
    std::size_t lines = 0;
};

struct ListOptOuts {
    std::size_t lines = 0;
    std::vector<OptedOutGroup> groups;  // by group number, then other texts
};

// The opted-out lines of a list.txt text, counted by group.
ListOptOuts findListOptOuts(std::string_view listText, const OptOutList& optOuts);

// The same, handing the text without those lines to out in order, as few pieces as
// possible: runs of kept lines go out as one piece, each line with its own line end.
ListOptOuts keptListPieces(std::string_view listText, const OptOutList& optOuts,
                           const std::function<void(std::string_view)>& out);
std::string withoutListOptOuts(std::string_view listText, const OptOutList& optOuts);

// The project's list.txt (none when it is missing). Throws StoreError.
ListOptOuts findProjectOptOuts(const store::ProjectStore& store, const std::string& project,
                               const OptOutList& optOuts);
// Removes the opted-out lines from the project's list.txt atomically, found again under the
// writer's lock; writes nothing when there are none. Throws StoreError.
ListOptOuts removeProjectOptOuts(const store::ProjectStore& store, const std::string& project,
                                 const OptOutList& optOuts);

}  // namespace recipients
