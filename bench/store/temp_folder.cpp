#include "temp_folder.h"

#include <stdlib.h>

#include <filesystem>
#include <stdexcept>
#include <system_error>

namespace bench {

TempFolder::TempFolder() {
    std::string folder =
        (std::filesystem::temp_directory_path() / "fendrival-bench-XXXXXX").string();
    if (!mkdtemp(folder.data())) throw std::runtime_error("cannot create a temporary folder");
    path_ = folder + "/";
}

TempFolder::~TempFolder() {
    std::error_code ignored;
    std::filesystem::remove_all(path_, ignored);
}

}  // namespace bench
