#include "recipients/optout_gate.h"

#include <algorithm>
#include <map>

#include "recipients/optout_key.h"
#include "store/atomic_file.h"
#include "store/comma_text.h"
#include "store/cp932_char.h"
#include "store/line_steps.h"
#include "store/project_store.h"
#include "store/text_file.h"

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

struct Line {
    std::size_t begin = 0;
    std::size_t end = 0;   // of the text, before the line end
    std::size_t next = 0;  // after the line end
    std::size_t comma = std::string_view::npos;
    bool unusual = false;  // a quote, a blank or a control byte before the first comma
};

// One line from pos: where its first comma stands, stepping by CP932 character as
// commatext::addressPart does, and where it ends (CR LF, LF or CR).
Line readLine(std::string_view text, std::size_t pos) {
    Line line;
    line.begin = pos;
    const std::size_t size = text.size();
    std::size_t i = pos;
    for (; i < size; ++i) {
        const auto c = static_cast<unsigned char>(text[i]);
        if (store::lines::isLineEnd(text[i])) break;
        if (c == ',') {
            line.comma = i;
            break;
        }
        if (c <= 0x20 || c == '"') {
            line.unusual = true;
        } else if (store::cp932::isLeadByte(c) && i + 1 < size &&
                   !store::lines::isLineEnd(text[i + 1])) {
            ++i;
        }
    }
    if (line.comma != std::string_view::npos) {
        i = store::lines::endOfLine(text, i);
    }
    line.end = i;
    line.next = store::lines::afterLineEnd(text, i);
    return line;
}

bool firstFieldOptedOut(std::string_view line, const OptOutList& optOuts) {
    store::commatext::FieldScanner fields(line);
    std::string_view first;
    return fields.next(first) && optOuts.containsCp932(first);
}

bool optedOut(std::string_view text, const Line& line, const OptOutList& optOuts) {
    const std::string_view whole = text.substr(line.begin, line.end - line.begin);
    const bool hasComma = line.comma != std::string_view::npos;
    if (hasComma && optOuts.containsCp932(text.substr(line.begin, line.comma - line.begin)))
        return true;
    // Without a quote or a blank before the comma the first field is that same text.
    if (hasComma && line.comma > line.begin && !line.unusual) return false;
    return firstFieldOptedOut(whole, optOuts);
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
        Line line;
        bool opted;
        if (run.size > 0 && stop < text.size() && text[stop] == ',') {
            line = readLine(text, stop);
            line.begin = pos;
            line.comma = stop;
            opted = optOuts.containsPlain(text.substr(pos, run.size), run.hash);
        } else {
            line = readLine(text, pos);
            opted = optedOut(text, line, optOuts);
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
