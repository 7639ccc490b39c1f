#include "support/temp_app_folder.h"

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "store/cp932.h"

namespace fs = std::filesystem;

TempAppFolder::TempAppFolder() {
    std::string pattern = (fs::temp_directory_path() / "fendrival-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempAppFolder::~TempAppFolder() {
    std::error_code ec;
    // Tests make files read-only; give the bits back so the folder can go.
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink()) fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

void TempAppFolder::write(const std::string& relative, const std::string& bytes) const {
    fs::path p = path_ + relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string TempAppFolder::read(const std::string& relative) const {
    std::ifstream in(path_ + relative, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path_ + relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool TempAppFolder::exists(const std::string& relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path_ + relative, ec));
}

std::string sj(const std::string& utf8) {
    auto bytes = store::cp932::fromUtf8(utf8);
    if (!bytes) throw std::runtime_error("not CP932: " + utf8);
    return *bytes;
}
