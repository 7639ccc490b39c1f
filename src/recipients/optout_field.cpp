#include "recipients/optout_field.h"

#include <cstdint>
#include <cstring>

#include "recipients/optout_key.h"
#include "store/parallel_work.h"
#include "text/cp932_char.h"
#include "text/line_steps.h"

namespace recipients {
namespace {

constexpr std::size_t kSplitBytes = 4 << 20;

using text::lines::lineAt;
using text::lines::Span;

// Contains is the lookup of a line that is not one plain run (see optoutkey::plainRun):
// the usual line is, and is hashed as it is read, its key never built.
template <typename Contains>
FieldOptOuts findInPart(std::string_view text, const OptOutList& optOuts, std::size_t keep,
                        Contains& contains, std::size_t& lines) {
    FieldOptOuts found;
    std::size_t number = 0;  // a local: the other half's count may share its cache line
    for (std::size_t pos = 0; pos < text.size();) {
        ++number;
        const optoutkey::PlainRun run = optoutkey::plainRun(text, pos, false);
        const std::size_t stop = pos + run.size;
        // A plain line's run ends at its line end; no need to look for it.
        const bool plain =
            run.size > 0 && (stop == text.size() || text::lines::isLineEnd(text[stop]));
        Span line =
            plain ? Span{stop, stop, text::lines::afterLineEnd(text, stop)} : lineAt(text, stop);
        line.begin = pos;
        pos = line.next;
        const std::string_view address = text.substr(line.begin, line.end - line.begin);
        if (plain ? !optOuts.containsPlain(address, run.hash) : !contains(address)) continue;
        found.lines.push_back(number);
        if (found.count++ < keep)
            found.first.push_back({number, std::string(text::cp932::trimmed(address))});
    }
    lines = number;
    return found;
}

// A large field is read in two halves at once, split after a line end: the save waits for
// the answer, and a second core halves the wait. The halves' lines join in order.
template <typename Contains>
FieldOptOuts findOptOuts(std::string_view text, const OptOutList& optOuts, std::size_t keep,
                         Contains&& contains) {
    std::size_t lines = 0;
    const std::size_t split = text.size() >= kSplitBytes && store::parallel::severalCores()
                                  ? lineAt(text, text.size() / 2).next
                                  : text.size();
    if (split >= text.size()) return findInPart(text, optOuts, keep, contains, lines);
    FieldOptOuts found, second;
    std::size_t secondLines = 0;
    store::parallel::alongside(
        [&] { second = findInPart(text.substr(split), optOuts, keep, contains, secondLines); },
        [&] { found = findInPart(text.substr(0, split), optOuts, keep, contains, lines); });
    found.count += second.count;
    for (const FieldOptOut& line : second.first) {
        if (found.first.size() == keep) break;
        found.first.push_back({line.line + lines, line.text});
    }
    found.lines.reserve(found.lines.size() + second.lines.size());
    for (const std::size_t line : second.lines) found.lines.push_back(line + lines);
    return found;
}

}  // namespace

FieldOptOuts findFieldOptOuts(std::string_view utf8, const OptOutList& optOuts, std::size_t keep) {
    if (optOuts.empty()) return {};
    return findOptOuts(utf8, optOuts, keep,
                       [&](std::string_view address) { return optOuts.containsUtf8(address); });
}

FieldOptOuts findCp932FieldOptOuts(std::string_view cp932, const OptOutList& optOuts,
                                   std::size_t keep) {
    if (optOuts.empty()) return {};
    return findOptOuts(cp932, optOuts, keep,
                       [&](std::string_view address) { return optOuts.containsCp932(address); });
}

void removeFieldOptOuts(std::string& utf8, const FieldOptOuts& found) {
    if (found.lines.empty()) return;
    const std::string_view text(utf8);
    std::size_t number = 1, pos = 0;  // the line at pos
    std::size_t kept = 0;             // bytes of the result so far, at the front of the text
    std::size_t keptFrom = 0;         // the kept lines not yet moved start here
    for (const std::size_t line : found.lines) {
        for (; number < line && pos < text.size(); ++number) pos = lineAt(text, pos).next;
        if (number != line || pos >= text.size()) break;
        // Kept lines move as one run, not one by one.
        if (kept != keptFrom) std::memmove(&utf8[kept], utf8.data() + keptFrom, pos - keptFrom);
        kept += pos - keptFrom;
        pos = lineAt(text, pos).next;
        ++number;
        keptFrom = pos;
    }
    if (kept != keptFrom) std::memmove(&utf8[kept], utf8.data() + keptFrom, utf8.size() - keptFrom);
    utf8.resize(kept + utf8.size() - keptFrom);
}

}  // namespace recipients
