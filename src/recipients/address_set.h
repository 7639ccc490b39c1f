#pragma once

#include <cstddef>
#include <string_view>
#include <unordered_set>

// Addresses seen so far, compared with ASCII letters folded, as the store compares them:
// Taro@Example.com and taro@example.com are one recipient. Holds views; the texts they point
// into must outlive the set.
namespace recipients {

struct FoldedHash {
    std::size_t operator()(std::string_view text) const;
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

class AddressSet {
public:
    void reserve(std::size_t count) { seen_.reserve(count); }
    // True when the address was not in the set yet.
    bool insert(std::string_view address) { return seen_.insert(address).second; }
    bool contains(std::string_view address) const { return seen_.count(address) != 0; }

private:
    std::unordered_set<std::string_view, FoldedHash, FoldedEqual> seen_;
};

}  // namespace recipients
