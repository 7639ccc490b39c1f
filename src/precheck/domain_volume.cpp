#include "precheck/domain_volume.h"

#include <algorithm>
#include <unordered_map>

#include "recipients/optout_gate.h"
#include "store/comma_text.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "text/cp932_char.h"
#include "text/line_steps.h"

namespace precheck {
namespace {

using Counts = std::unordered_map<std::string, std::size_t>;

void countLines(std::string_view text, Counts& counts, std::size_t& recipients, std::string& key) {
    text::lines::forEachLine(text, [&](std::size_t, std::string_view line) {
        const std::string_view address = store::commatext::addressPart(line);
        if (address.empty()) return;
        ++recipients;
        const std::size_t at = address.rfind('@');
        key.assign(at == std::string_view::npos ? std::string_view() : address.substr(at + 1));
        for (char& c : key) c = text::cp932::foldAscii(c);
        ++counts[key];
    });
}

}  // namespace

std::size_t Volume::count(const std::string& domain) const {
    for (const DomainCount& d : domains)
        if (d.domain == domain) return d.count;
    return 0;
}

std::size_t Volume::gmail() const {
    return count("gmail.com") + count("googlemail.com");
}

Volume countDomains(std::string_view listText, const recipients::OptOutList& optOuts) {
    Counts counts;
    Volume volume;
    std::string key;
    // The opt-out gate's own rule says which lines go; the pieces it keeps are whole lines.
    recipients::keptListPieces(listText, optOuts, [&](std::string_view piece) {
        countLines(piece, counts, volume.recipients, key);
    });
    volume.domains.reserve(counts.size());
    for (auto& [domain, count] : counts) volume.domains.push_back({domain, count});
    std::sort(volume.domains.begin(), volume.domains.end(),
              [](const DomainCount& a, const DomainCount& b) {
                  return a.count != b.count ? a.count > b.count : a.domain < b.domain;
              });
    return volume;
}

Volume projectVolume(const store::ProjectStore& store, const std::string& project,
                     const recipients::OptOutList& optOuts) {
    const std::string path = store.listPath(project);
    if (!store::textfile::fileExists(path)) return {};
    return countDomains(store::textfile::readAll(path), optOuts);
}

}  // namespace precheck
