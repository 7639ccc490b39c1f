#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

// Addresses seen so far, compared by their key (address_key.h). Callers give addresses
// already trimmed and made ASCII, as the address check wants them anyway, so only the key's
// last step, the ASCII fold, is left here: a million lines then cost no copy each.
// Taro@Example.com and taro@example.com are one recipient. Holds views; the texts they point
// into must outlive the set.
namespace recipients {

struct FoldedHash {
    std::size_t operator()(std::string_view text) const;
};
struct FoldedEqual {
    bool operator()(std::string_view a, std::string_view b) const;
};

// Open addressing: a million addresses cost one probe each, not one allocation each.
class AddressSet {
public:
    void reserve(std::size_t count);
    // True when the address was not in the set yet.
    bool insert(std::string_view address);
    bool contains(std::string_view address) const;
    // The same with the address's FoldedHash already taken: a caller that hashes a batch
    // first and fetches its slots ahead keeps many memory reads in flight at once.
    bool insert(std::string_view address, std::size_t hash);
    bool contains(std::string_view address, std::size_t hash) const;
    void prefetch(std::size_t hash) const;

private:
    // Sixteen bytes, so four slots share a cache line. Addresses are short.
    struct Slot {
        std::uint32_t hash = 0;
        std::uint32_t size = 0;
        const char* data = nullptr;  // nullptr: empty
    };
    // The slot holding the address, or the empty slot where it would go.
    std::size_t find(std::string_view address, std::size_t hash) const;
    void grow();

    // Zeroed memory straight from the kernel, in large pages where it is large: a million
    // addresses probe a table of tens of MB at random, and small pages would make nearly
    // every probe a page-table walk.
    class Slots {
    public:
        Slots() = default;
        explicit Slots(std::size_t count);
        ~Slots();
        Slots(const Slots&) = delete;
        Slots& operator=(const Slots&) = delete;
        void swap(Slots& other) noexcept;
        std::size_t size() const { return size_; }
        bool empty() const { return size_ == 0; }
        Slot& operator[](std::size_t i) { return data_[i]; }
        const Slot& operator[](std::size_t i) const { return data_[i]; }

    private:
        Slot* data_ = nullptr;
        std::size_t size_ = 0;
    };

    Slots slots_;
    std::size_t count_ = 0;
};
}  // namespace recipients
