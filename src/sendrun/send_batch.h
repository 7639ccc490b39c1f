#pragma once

#include <optional>
#include <string>

namespace store {
class ProjectStore;
}

namespace sendrun {

// Writes BAT/<P>.bat and, beside it, the launcher BAT/<P>.sh (mode 0700) for the project,
// a CP932 name that passed store::isAddressableProjectName. Returns the .bat's path, or
// nullopt (nothing written) when the application folder's path has no CP932 form.
// Throws store::StoreError naming the file that could not be written.
std::optional<std::string> writeSendBatch(const store::ProjectStore& store,
                                          const std::string& project);

}  // namespace sendrun
