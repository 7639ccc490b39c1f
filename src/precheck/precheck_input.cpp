#include "precheck/precheck_input.h"

#include "store/project_store.h"
#include "text/cp932.h"

namespace precheck {

std::vector<GroupBody> readGroupBodies(const store::ProjectStore& store, const std::string& project,
                                       int count, const GroupBody& shown) {
    std::vector<GroupBody> groups;
    for (int n = 1; n <= count; ++n) {
        if (n == shown.number) {
            groups.push_back(shown);
            continue;
        }
        // Group n is stored under n - 1.
        groups.push_back({n, text::cp932::toUtf8Lossy(store.readGroupName(project, n - 1)),
                          text::cp932::toUtf8Lossy(store.readBody(project, n - 1))});
    }
    return groups;
}

}  // namespace precheck
