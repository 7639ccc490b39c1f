#include "store/comFunc.h"
#include "text/cp932.h"

namespace {

// In the order the check looks for them.
constexpr char kRefused[] = {'~', '|', '#',  '/', '\'', '"', '*',
                             '&', '%', '\\', ',', '?',  '<', '>'};

// Only where the byte stands as a character of its own: the trail byte of ソ or 表 is
// 0x5C and must not count as a backslash.
bool holdsCharacter(const std::string& name, char wanted) {
    for (std::size_t i = 0; i < name.size();) {
        std::size_t len = text::cp932::charLength(name, i);
        if (len == 1 && name[i] == wanted) return true;
        i += len;
    }
    return false;
}

}  // namespace

bool fncCheckName(const std::string& name) {
    for (char refused : kRefused) {
        if (holdsCharacter(name, refused)) return false;
    }
    return true;
}
