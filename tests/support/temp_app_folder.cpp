#include "support/temp_app_folder.h"

#include <sys/stat.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>

#include <iconv.h>

namespace fs = std::filesystem;

TempAppFolder::TempAppFolder() {
    std::string pattern = (fs::temp_directory_path() / "fendrival-test-XXXXXX").string();
    if (!mkdtemp(pattern.data())) throw std::runtime_error("mkdtemp failed");
    path_ = pattern + "/";
}

TempAppFolder::~TempAppFolder() {
    std::error_code ec;
    for (auto it = fs::recursive_directory_iterator(path_, ec);
         !ec && it != fs::recursive_directory_iterator(); it.increment(ec)) {
        if (!it->is_symlink())
            fs::permissions(it->path(), fs::perms::owner_all, fs::perm_options::add, ec);
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

void TempAppFolder::makeFolder(const std::string& relative) const {
    fs::create_directories(path_ + relative);
}

unsigned TempAppFolder::mode(const std::string& relative) const {
    struct stat st;
    if (::lstat((path_ + relative).c_str(), &st) != 0)
        throw std::runtime_error("no file " + relative);
    return st.st_mode & 07777;
}

void TempAppFolder::setMode(const std::string& relative, unsigned mode) const {
    if (::chmod((path_ + relative).c_str(), mode) != 0)
        throw std::runtime_error("cannot chmod " + relative);
}

// iconv directly, not the store's converter: test data must not depend on the code under test.
std::string encodeAs(const char* encoding, const std::string& utf8) {
    iconv_t cd = iconv_open(encoding, "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) throw std::runtime_error("no iconv encoding");
    std::string in = utf8;
    std::string out(in.size() * 4 + 8, '\0');
    char* inp = in.data();
    char* outp = out.data();
    size_t inLeft = in.size();
    size_t outLeft = out.size();
    size_t r = iconv(cd, &inp, &inLeft, &outp, &outLeft);
    iconv_close(cd);
    if (r == static_cast<size_t>(-1))
        throw std::runtime_error(std::string("not ") + encoding + ": " + utf8);
    out.resize(out.size() - outLeft);
    return out;
}

std::string sj(const std::string& utf8) {
    return encodeAs("CP932", utf8);
}
