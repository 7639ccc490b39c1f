#include "store/comFunc.h"

// "/" is below 0x40 and so never a CP932 trail byte: the last byte tells whether the path
// already ends in the separator. There are no drive names here.
std::string fncIncludeDelimiter(const std::string& path) {
    if (path.empty() || path.back() == '/') return path;
    return path + "/";
}
