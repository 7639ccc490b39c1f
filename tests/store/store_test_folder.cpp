#include "store_test_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include "store/cp932.h"

namespace fs = std::filesystem;

StoreTestFolder::StoreTestFolder() {
    std::string pattern = (fs::temp_directory_path() / "fendrival-store-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

StoreTestFolder::~StoreTestFolder() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
    }
    fs::remove_all(path_, ec);
}

void StoreTestFolder::write(const std::string& relative, const std::string& bytes) const {
    fs::path p = path_ + relative;
    fs::create_directories(p.parent_path());
    std::ofstream out(p, std::ios::binary | std::ios::trunc);
    out << bytes;
    if (!out) throw std::runtime_error("cannot write " + p.string());
}

std::string StoreTestFolder::read(const std::string& relative) const {
    std::ifstream in(path_ + relative, std::ios::binary);
    if (!in) throw std::runtime_error("cannot read " + path_ + relative);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

bool StoreTestFolder::exists(const std::string& relative) const {
    std::error_code ec;
    return fs::exists(fs::symlink_status(path_ + relative, ec));
}

void StoreTestFolder::makeFolder(const std::string& relative) const {
    fs::create_directories(path_ + relative);
}

unsigned StoreTestFolder::mode(const std::string& relative) const {
    struct stat st;
    if (::lstat((path_ + relative).c_str(), &st) != 0)
        throw std::runtime_error("no file " + relative);
    return st.st_mode & 07777;
}

void StoreTestFolder::setMode(const std::string& relative, unsigned mode) const {
    if (::chmod((path_ + relative).c_str(), mode) != 0)
        throw std::runtime_error("cannot chmod " + relative);
}

std::string sj(const std::string& utf8) {
    auto bytes = store::cp932::fromUtf8(utf8);
    if (!bytes) throw std::runtime_error("not CP932: " + utf8);
    return *bytes;
}
