#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace store {
class ProjectStore;
}

// The opted-out addresses as a set of keys (see optout_key.h): the check that runs over
// every line of a large list, so a lookup costs one hash and, mostly, one probe.
namespace recipients {

class OptOutList {
public:
    OptOutList() = default;
    // From optout.txt's bytes: one address a line (CR LF, LF or CR); blank lines are no
    // address. A NUL byte does not end the list: no address after it may be lost.
    explicit OptOutList(std::string_view cp932Lines);

    bool empty() const { return count_ == 0; }
    std::size_t size() const { return count_; }

    bool containsCp932(std::string_view address) const;
    bool containsUtf8(std::string_view address) const;

private:
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t offset = 0;
        std::uint32_t size = 0;  // 0: empty; keys are never empty
    };
    // Open addressing over keys_, with a bit filter in front: most lines of a list are not
    // opted out, and the filter answers them from the cache instead of a large table.
    struct Table {
        std::vector<Slot> entries;
        std::vector<std::uint64_t> filter;  // two bits a key, a power of two in size
    };
    static void size(Table& table, std::size_t keys);
    std::size_t find(const Table& table, std::string_view key, std::uint32_t hash) const;
    bool insert(Table& table, std::size_t offset, std::size_t size);
    bool contains(const Table& table, std::string_view key) const;

    std::string keys_;  // every key, one after the other
    Table cp932_;       // every key
    Table utf8_;        // the UTF-8 form of the keys that are not ASCII
    std::size_t count_ = 0;
};

// The store's list; throws StoreError when optout.txt exists but cannot be read.
OptOutList loadOptOutList(const store::ProjectStore& store);

}  // namespace recipients
