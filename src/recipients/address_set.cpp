#include "recipients/address_set.h"

namespace recipients {
namespace {

unsigned char fold(char c) {
    const auto u = static_cast<unsigned char>(c);
    return u >= 'A' && u <= 'Z' ? static_cast<unsigned char>(u + 32) : u;
}

}  // namespace

// Only ASCII letters fold, so a UTF-8 continuation byte never changes.
std::size_t FoldedHash::operator()(std::string_view text) const {
    std::size_t hash = 14695981039346656037ULL;
    for (char c : text) hash = (hash ^ fold(c)) * 1099511628211ULL;
    return hash;
}

bool FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (fold(a[i]) != fold(b[i])) return false;
    }
    return true;
}

}  // namespace recipients
