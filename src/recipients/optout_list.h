#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
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
    // A plain run of a line (optoutkey::plainRun) with the hash found while reading it: most
    // lines are answered by the filter from that hash alone, without their key.
    bool containsPlain(std::string_view run, std::uint64_t hash) const;

private:
    struct Slot {
        std::uint32_t hash = 0;  // the high half; the low one picked the slot
        std::uint32_t offset = 0;
        std::uint32_t size = 0;  // 0: empty; keys are never empty
    };
    // Open addressing over one string of keys, with a bit filter in front: most lines of a
    // list are not opted out, and the filter answers them from one cached word instead of a
    // large table.
    struct Table {
        std::string keys;  // every key, one after the other
        std::vector<Slot> entries;
        std::vector<std::uint64_t> filter;  // three bits a key in one word; a power of two
        void size(std::size_t count);
        std::size_t find(std::string_view key, std::uint64_t hash) const;
        bool insert(std::size_t offset, std::size_t size, std::uint64_t hash);
        bool mayContain(std::uint64_t hash) const;
        bool contains(std::string_view key, std::uint64_t hash) const;
    };
    // The UTF-8 forms of the keys that are not ASCII, built the first time a UTF-8 line is
    // looked up: the save and the batch file never need them. Shared by copies.
    struct Utf8Forms;
    const Table& utf8Forms() const;

    Table cp932_;  // every key
    std::shared_ptr<Utf8Forms> utf8_;
    std::size_t count_ = 0;
};

// The list as the gates use it, from the store's optout.txt in any form it is kept in (see
// optout_reader.h). Throws StoreError when the file exists but cannot be read, and
// OptOutFileRefused when it holds lines that give no address: a list the tool cannot read
// whole never passes for a shorter one.
OptOutList loadOptOutList(const store::ProjectStore& store);
OptOutList loadOptOutList(const std::string& path);

}  // namespace recipients
