#include "recipients/optout_list.h"

#include <algorithm>
#include <cstring>
#include <stdexcept>

#include "recipients/optout_key.h"
#include "store/cp932.h"
#include "store/optout_file.h"
#include "store/project_store.h"

namespace recipients {
namespace {

std::uint64_t hashOf(std::string_view key) {
    std::uint64_t hash = 0x9E3779B97F4A7C15ULL ^ key.size();
    std::size_t i = 0;
    for (; i + 8 <= key.size(); i += 8) {
        std::uint64_t w;
        std::memcpy(&w, key.data() + i, 8);
        hash = (hash ^ w) * 0xFF51AFD7ED558CCDULL;
        hash ^= hash >> 29;
    }
    if (i < key.size()) {
        std::uint64_t w = 0;
        std::memcpy(&w, key.data() + i, key.size() - i);
        hash = (hash ^ w) * 0xFF51AFD7ED558CCDULL;
    }
    hash ^= hash >> 33;
    hash *= 0xC4CEB9FE1A85EC53ULL;
    hash ^= hash >> 33;
    return hash;
}

// Two bits of the filter for a hash, from bits the table index does not use.
std::size_t filterBit(std::uint64_t hash, int which, std::size_t mask) {
    const std::uint64_t mixed =
        which == 0 ? hash >> 32 : (hash ^ (hash >> 29)) * 0xBF58476D1CE4E5B9ULL >> 24;
    return static_cast<std::size_t>(mixed) & mask;
}

// The scratch key of the calling thread: a lookup per line must not allocate.
std::string& scratch() {
    thread_local std::string key;
    return key;
}

template <typename Line>
void forEachLine(std::string_view text, Line&& line) {
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find_first_of("\r\n", pos);
        if (end == std::string_view::npos) end = text.size();
        line(text.substr(pos, end - pos));
        pos = end;
        if (pos < text.size()) pos += text.compare(pos, 2, "\r\n") == 0 ? 2 : 1;
    }
}

}  // namespace

OptOutList::OptOutList(std::string_view cp932Lines) {
    std::vector<std::pair<std::size_t, std::size_t>> added, converted;
    std::string key;
    forEachLine(cp932Lines, [&](std::string_view line) {
        optoutkey::fromCp932(line, key);
        if (key.empty()) return;
        added.emplace_back(keys_.size(), key.size());
        keys_ += key;
        if (optoutkey::isAsciiKey(key)) return;
        // Not convertible: no typed line can name it, only a list.txt line.
        if (const auto utf8 = store::cp932::toUtf8(key)) {
            converted.emplace_back(keys_.size(), utf8->size());
            keys_ += *utf8;
        }
    });
    if (keys_.size() > UINT32_MAX) throw std::length_error("opt-out list too large");
    size(cp932_, added.size());
    size(utf8_, converted.size());
    for (const auto& [offset, size] : added) count_ += insert(cp932_, offset, size);
    for (const auto& [offset, size] : converted) insert(utf8_, offset, size);
}

void OptOutList::size(Table& table, std::size_t keys) {
    // At most half full, so probes stay short and an empty slot always exists.
    std::size_t capacity = 16;
    while (capacity < keys * 2) capacity *= 2;
    table.entries.resize(capacity);
    table.filter.resize(capacity * 8 / 64);
}

std::size_t OptOutList::find(const Table& table, std::string_view key, std::uint32_t hash) const {
    const std::size_t mask = table.entries.size() - 1;
    for (std::size_t i = hash & mask;; i = (i + 1) & mask) {
        const Slot& slot = table.entries[i];
        if (slot.size == 0) return i;
        if (slot.hash == hash && slot.size == key.size() &&
            std::memcmp(keys_.data() + slot.offset, key.data(), key.size()) == 0)
            return i;
    }
}

bool OptOutList::insert(Table& table, std::size_t offset, std::size_t size) {
    const std::string_view key(keys_.data() + offset, size);
    const std::uint64_t hash = hashOf(key);
    Slot& slot = table.entries[find(table, key, static_cast<std::uint32_t>(hash))];
    if (slot.size != 0) return false;  // a repeat in the file
    slot = {static_cast<std::uint32_t>(hash), static_cast<std::uint32_t>(offset),
            static_cast<std::uint32_t>(size)};
    const std::size_t mask = table.filter.size() * 64 - 1;
    for (int which : {0, 1}) {
        const std::size_t bit = filterBit(hash, which, mask);
        table.filter[bit / 64] |= std::uint64_t(1) << (bit % 64);
    }
    return true;
}

bool OptOutList::contains(const Table& table, std::string_view key) const {
    if (count_ == 0 || key.empty()) return false;
    const std::uint64_t hash = hashOf(key);
    const std::size_t mask = table.filter.size() * 64 - 1;
    for (int which : {0, 1}) {
        const std::size_t bit = filterBit(hash, which, mask);
        if (!(table.filter[bit / 64] >> (bit % 64) & 1)) return false;
    }
    return table.entries[find(table, key, static_cast<std::uint32_t>(hash))].size != 0;
}

bool OptOutList::containsCp932(std::string_view address) const {
    if (count_ == 0) return false;
    std::string& key = scratch();
    optoutkey::fromCp932(address, key);
    return contains(cp932_, key);
}

bool OptOutList::containsUtf8(std::string_view address) const {
    if (count_ == 0) return false;
    std::string& key = scratch();
    const bool ascii = optoutkey::fromUtf8(address, key);
    return contains(ascii ? cp932_ : utf8_, key);
}

OptOutList loadOptOutList(const store::ProjectStore& store) {
    return OptOutList(store::optoutfile::read(store.optOutPath()));
}

}  // namespace recipients
