#include "recipients/optout_gate.h"

#include <algorithm>
#include <map>

#include "recipients/optout_key.h"
#include "store/atomic_file.h"
#include "store/comma_text.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "text/line_steps.h"

namespace recipients {
namespace {

// Group numbers in numeric order, other texts after them.
struct GroupOrder {
    static bool isNumber(const std::string& s) {
        return !s.empty() && s.find_first_not_of("0123456789") == std::string::npos;
    }
    bool operator()(const std::string& a, const std::string& b) const {
        const bool an = isNumber(a);
        const bool bn = isNumber(b);
        if (an != bn) return an;
        if (an && a.size() != b.size()) return a.size() < b.size();
        return a < b;
    }
};

using text::lines::lineAt;

bool firstFieldOptedOut(std::string_view line, const OptOutList& optOuts) {
    store::commatext::FieldScanner fields(line);
    std::string_view first;
    return fields.next(first) && optOuts.containsCp932(first);
}

bool optedOut(std::string_view line, const OptOutList& optOuts) {
    const store::commatext::AddressEnd address = store::commatext::addressEnd(line);
    const bool hasComma = address.comma != std::string_view::npos;
    if (hasComma && optOuts.containsCp932(line.substr(0, address.comma))) return true;
    // Without a quote or a blank before the comma the first field is that same text.
    if (hasComma && address.comma > 0 && address.plain) return false;
    return firstFieldOptedOut(line, optOuts);
}

std::string groupOf(std::string_view line) {
    store::commatext::FieldScanner fields(line);
    std::string_view field;
    if (!fields.next(field) || !fields.next(field)) return {};
    return std::string(field);
}

ListOptOuts scan(std::string_view text, const OptOutList& optOuts,
                 const std::function<void(std::string_view)>* out) {
    ListOptOuts found;
    if (optOuts.empty()) {
        if (out && !text.empty()) (*out)(text);
        return found;
    }
    std::map<std::string, std::size_t, GroupOrder> groups;
    std::size_t keptFrom = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        // The usual line is "address,group" with a plain address: hashed as it is read.
        const optoutkey::PlainRun run = optoutkey::plainRun(text, pos, true);
        const std::size_t stop = pos + run.size;
        text::lines::Span line;
        bool opted;
        if (run.size > 0 && stop < text.size() && text[stop] == ',') {
            line = lineAt(text, stop);
            line.begin = pos;
            opted = optOuts.containsPlain(text.substr(pos, run.size), run.hash);
        } else {
            line = lineAt(text, pos);
            opted = optedOut(text.substr(line.begin, line.end - line.begin), optOuts);
        }
        pos = line.next;
        if (!opted) continue;
        ++found.lines;
        ++groups[groupOf(text.substr(line.begin, line.end - line.begin))];
        if (out && line.begin > keptFrom) (*out)(text.substr(keptFrom, line.begin - keptFrom));
        keptFrom = line.next;
    }
    if (out && text.size() > keptFrom) (*out)(text.substr(keptFrom));
    for (auto& [group, lines] : groups) found.groups.push_back({group, lines});
    return found;
}

}  // namespace

ListOptOuts findListOptOuts(std::string_view listText, const OptOutList& optOuts) {
    return scan(listText, optOuts, nullptr);
}

ListOptOuts keptListPieces(std::string_view listText, const OptOutList& optOuts,
                           const std::function<void(std::string_view)>& out) {
    return scan(listText, optOuts, &out);
}

std::string withoutListOptOuts(std::string_view listText, const OptOutList& optOuts) {
    std::string kept;
    kept.reserve(listText.size());
    keptListPieces(listText, optOuts, [&](std::string_view piece) { kept.append(piece); });
    return kept;
}

ListOptOuts findProjectOptOuts(const store::ProjectStore& store, const std::string& project,
                               const OptOutList& optOuts) {
    const std::string path = store.listPath(project);
    if (optOuts.empty() || !store::textfile::fileExists(path)) return {};
    return findListOptOuts(store::textfile::readAll(path), optOuts);
}

ListOptOuts removeProjectOptOuts(const store::ProjectStore& store, const std::string& project,
                                 const OptOutList& optOuts) {
    const std::string path = store.listPath(project);
    if (optOuts.empty() || !store::textfile::fileExists(path)) return {};
    store::textfile::AtomicWriter out(path);
    if (out.oldFile() < 0) return {};
    // Read whole, not in blocks of lines: the block reader stops at a NUL byte, and every
    // byte after one must stay too.
    const std::string text = store::textfile::readAll(path, out.oldFile());
    std::vector<std::string_view> pieces;
    const ListOptOuts found =
        keptListPieces(text, optOuts, [&](std::string_view piece) { pieces.push_back(piece); });
    if (found.lines == 0) return found;
    out.appendPieces(pieces);
    out.commit();
    return found;
}

}  // namespace recipients
