#include "recipients/address_set.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <utility>

#include "recipients/address_key.h"

namespace recipients {

std::size_t FoldedHash::operator()(std::string_view text) const {
    return std::size_t(keyhash::of(text, [](std::uint64_t w) { return foldAsciiWord(w); }));
}

bool FoldedEqual::operator()(std::string_view a, std::string_view b) const {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (foldAscii(a[i]) != foldAscii(b[i])) return false;
    }
    return true;
}

AddressSet::Slots::Slots(std::size_t count) {
    const std::size_t bytes = count * sizeof(Slot);
    void* memory = mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_PRIVATE | MAP_ANONYMOUS, -1, 0);
    if (memory == MAP_FAILED) throw std::bad_alloc();
    if (bytes >= (std::size_t(2) << 20)) madvise(memory, bytes, MADV_HUGEPAGE);
    data_ = static_cast<Slot*>(memory);
    size_ = count;
}

AddressSet::Slots::~Slots() {
    if (data_) munmap(data_, size_ * sizeof(Slot));
}

void AddressSet::Slots::swap(Slots& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
}

void AddressSet::reserve(std::size_t count) {
    std::size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    if (capacity <= slots_.size()) return;
    Slots old(capacity);
    old.swap(slots_);
    count_ = 0;
    for (std::size_t i = 0; i < old.size(); ++i) {
        const Slot& slot = old[i];
        if (!slot.data) continue;
        slots_[find(std::string_view(slot.data, slot.size), slot.hash)] = slot;
        ++count_;
    }
}

void AddressSet::grow() {
    reserve(std::max<std::size_t>(count_ + 1, slots_.size()));
}

std::size_t AddressSet::find(std::string_view address, std::size_t hash) const {
    const std::size_t mask = slots_.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = slots_[i];
        if (!slot.data) return i;
        if (slot.hash == std::uint32_t(hash) &&
            FoldedEqual()(std::string_view(slot.data, slot.size), address))
            return i;
    }
}

bool AddressSet::insert(std::string_view address) {
    return insert(address, FoldedHash()(address));
}

bool AddressSet::insert(std::string_view address, std::size_t hash) {
    // At most half full, so probes stay short and an empty slot always exists.
    if ((count_ + 1) * 2 > slots_.size()) grow();
    Slot& slot = slots_[find(address, hash)];
    if (slot.data) return false;
    // An empty address still needs a non-null pointer to mark the slot taken.
    slot = {std::uint32_t(hash), std::uint32_t(address.size()),
            address.data() ? address.data() : ""};
    ++count_;
    return true;
}

bool AddressSet::contains(std::string_view address) const {
    return contains(address, FoldedHash()(address));
}

bool AddressSet::contains(std::string_view address, std::size_t hash) const {
    if (slots_.empty()) return false;
    return slots_[find(address, hash)].data != nullptr;
}

void AddressSet::prefetch(std::size_t hash) const {
    if (!slots_.empty()) __builtin_prefetch(&slots_[hash & (slots_.size() - 1)]);
}

}  // namespace recipients
