#include "recipients/optout_merge.h"

#include <unordered_map>
#include <unordered_set>

#include "recipients/address_key.h"
#include "recipients/field_lines.h"

namespace recipients {
namespace {

using Counts = std::unordered_map<std::string, std::size_t>;

// How many lines name each key; a file without repeats has one each.
Counts linesPerKey(const OptOutFileText& text) {
    Counts counts;
    forEachFieldLine(text.addresses,
                     [&](std::size_t, std::string_view line) { ++counts[addressKey(line)]; });
    for (const std::string& key : text.repeats) ++counts[key];
    return counts;
}

}  // namespace

OptOutMerge mergeOptOutEdits(const OptOutFileText& opened, const OptOutFileText& now,
                             const std::vector<std::string>& edited) {
    const Counts before = linesPerKey(opened);
    const Counts after = linesPerKey(now);
    std::unordered_set<std::string> editedKeys;
    for (const std::string& address : edited) editedKeys.insert(addressKey(address));
    // What the other program wrote since the dialog read the file.
    std::unordered_set<std::string> others;
    for (const auto& [key, lines] : after) {
        const auto was = before.find(key);
        if (was == before.end() || was->second < lines) others.insert(key);
    }

    OptOutMerge merge;
    std::unordered_set<std::string> written;
    forEachFieldLine(now.addresses, [&](std::size_t, std::string_view line) {
        const std::string key = addressKey(line);
        const bool wasListed = before.count(key) != 0;
        const bool inDialog = editedKeys.count(key) != 0;
        const bool byOthers = others.count(key) != 0;
        const bool removed = wasListed && !inDialog;
        if (removed && !byOthers) return;
        if (removed) merge.keptAgainstRemoval.emplace_back(line);
        // One the dialog added as well is the dialog's own addition.
        if (byOthers && (wasListed || !inDialog)) ++merge.othersKept;
        written.insert(key);
        merge.addresses.emplace_back(line);
    });
    for (const std::string& address : edited) {
        const std::string key = addressKey(address);
        if (before.count(key) == 0 && written.insert(key).second)
            merge.addresses.push_back(address);
    }
    return merge;
}

}  // namespace recipients
