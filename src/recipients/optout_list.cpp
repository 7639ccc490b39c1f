#include "recipients/optout_list.h"

#include <cstring>
#include <mutex>
#include <stdexcept>

#include "recipients/address_key.h"
#include "recipients/optout_key.h"
#include "text/cp932_char.h"
#include "text/iconv_converter.h"
#include "text/line_steps.h"

namespace recipients {
namespace {

// The filter word of a hash and the three bits it sets there, from bits the table index
// leaves alone.
std::size_t filterWord(std::uint64_t hash, std::size_t mask) {
    return static_cast<std::size_t>(hash >> 40) & mask;
}

std::uint64_t filterBits(std::uint64_t hash) {
    const std::uint64_t one = 1;
    return one << (hash >> 22 & 63) | one << (hash >> 28 & 63) | one << (hash >> 34 & 63);
}

std::uint32_t check(std::uint64_t hash) {
    return static_cast<std::uint32_t>(hash >> 32);
}

// The scratch key of the calling thread: a lookup per line must not allocate.
std::string& scratch() {
    thread_local std::string key;
    return key;
}

}  // namespace

struct OptOutList::Utf8Forms {
    std::once_flag built;
    Table table;
};

OptOutList::OptOutList(std::string_view cp932Lines) {
    struct Added {
        std::size_t offset, size;
        std::uint64_t hash;
    };
    std::vector<Added> added;
    added.reserve(cp932Lines.size() / 16);
    std::string& keys = cp932_.keys;
    keys.reserve(cp932Lines.size());
    std::string& key = scratch();
    bool anyWide = false;
    for (std::size_t pos = 0; pos < cp932Lines.size();) {
        const optoutkey::PlainRun run = optoutkey::plainRun(cp932Lines, pos, false);
        std::size_t end = pos + run.size;
        if (run.size > 0 && text::lines::endOfLine(cp932Lines, end) == end) {
            // Plain: the key is the line folded, hashed already.
            const std::size_t offset = keys.size();
            added.push_back({offset, run.size, run.hash});
            keys.resize(offset + run.size);
            for (std::size_t i = 0; i < run.size; ++i)
                keys[offset + i] = foldAscii(cp932Lines[pos + i]);
        } else {
            end = text::lines::endOfLine(cp932Lines, pos);
            optoutkey::fromCp932(cp932Lines.substr(pos, end - pos), key);
            if (!key.empty()) {
                added.push_back({keys.size(), key.size(), optoutkey::hashOf(key)});
                keys += key;
                anyWide = anyWide || !text::cp932::isAscii(key);
            }
        }
        pos = text::lines::afterLineEnd(cp932Lines, end);
    }
    if (keys.size() > UINT32_MAX) throw std::length_error("opt-out list too large");
    cp932_.size(added.size());
    for (const Added& a : added) count_ += cp932_.insert(a.offset, a.size, a.hash);
    if (anyWide) utf8_ = std::make_shared<Utf8Forms>();
}

void OptOutList::Table::size(std::size_t count) {
    // At most half full, so probes stay short and an empty slot always exists.
    std::size_t capacity = 16;
    while (capacity < count * 2) capacity *= 2;
    entries.assign(capacity, Slot{});
    filter.assign(capacity / 8, 0);  // 16 bits a key and more
}

std::size_t OptOutList::Table::find(std::string_view key, std::uint64_t hash) const {
    const std::size_t mask = entries.size() - 1;
    for (std::size_t i = static_cast<std::size_t>(hash) & mask;; i = (i + 1) & mask) {
        const Slot& slot = entries[i];
        if (slot.size == 0) return i;
        if (slot.hash == check(hash) && slot.size == key.size() &&
            std::memcmp(keys.data() + slot.offset, key.data(), key.size()) == 0)
            return i;
    }
}

bool OptOutList::Table::insert(std::size_t offset, std::size_t size, std::uint64_t hash) {
    Slot& slot = entries[find(std::string_view(keys.data() + offset, size), hash)];
    if (slot.size != 0) return false;  // a repeat in the file
    slot = {check(hash), static_cast<std::uint32_t>(offset), static_cast<std::uint32_t>(size)};
    filter[filterWord(hash, filter.size() - 1)] |= filterBits(hash);
    return true;
}

bool OptOutList::Table::mayContain(std::uint64_t hash) const {
    const std::uint64_t bits = filterBits(hash);
    return (filter[filterWord(hash, filter.size() - 1)] & bits) == bits;
}

bool OptOutList::Table::contains(std::string_view key, std::uint64_t hash) const {
    return mayContain(hash) && entries[find(key, hash)].size != 0;
}

const OptOutList::Table& OptOutList::utf8Forms() const {
    static const Table none = [] {
        Table table;
        table.size(0);
        return table;
    }();
    if (!utf8_) return none;
    std::call_once(utf8_->built, [this] {
        Table& table = utf8_->table;
        std::vector<std::pair<std::size_t, std::size_t>> converted;
        // One converter for all the keys: opening one costs more than a key's lookups.
        text::IconvConverter converter("UTF-8", "CP932");
        for (const Slot& slot : cp932_.entries) {
            const std::string_view key(cp932_.keys.data() + slot.offset, slot.size);
            if (slot.size == 0 || text::cp932::isAscii(key) || !converter.ok()) continue;
            const std::size_t offset = table.keys.size();
            std::size_t consumed = 0;
            // Not convertible: no typed line can name it, only a list.txt line.
            if (converter.run(key, table.keys, consumed)) {
                converted.emplace_back(offset, table.keys.size() - offset);
            } else {
                table.keys.resize(offset);
            }
        }
        table.size(converted.size());
        for (const auto& [offset, size] : converted)
            table.insert(offset, size,
                         optoutkey::hashOf(std::string_view(table.keys.data() + offset, size)));
    });
    return utf8_->table;
}

bool OptOutList::containsCp932(std::string_view address) const {
    if (count_ == 0) return false;
    std::string& key = scratch();
    optoutkey::fromCp932(address, key);
    return !key.empty() && cp932_.contains(key, optoutkey::hashOf(key));
}

bool OptOutList::containsUtf8(std::string_view address) const {
    if (count_ == 0) return false;
    std::string& key = scratch();
    const bool ascii = optoutkey::fromUtf8(address, key);
    return !key.empty() && (ascii ? cp932_ : utf8Forms()).contains(key, optoutkey::hashOf(key));
}

bool OptOutList::containsPlain(std::string_view run, std::uint64_t hash) const {
    if (count_ == 0 || run.empty() || !cp932_.mayContain(hash)) return false;
    std::string& key = scratch();
    key.resize(run.size());
    for (std::size_t i = 0; i < run.size(); ++i) key[i] = foldAscii(run[i]);
    return cp932_.contains(key, hash);
}

}  // namespace recipients
