#include "recipients/optout_field.h"

#include <cstring>

namespace recipients {
namespace {

struct Span {
    std::size_t begin = 0;
    std::size_t end = 0;   // of the text
    std::size_t next = 0;  // after the line end
};

Span lineAt(std::string_view text, std::size_t pos) {
    Span line{pos, pos, pos};
    std::size_t i = pos;
    while (i < text.size() && text[i] != '\n' && text[i] != '\r') ++i;
    line.end = i;
    line.next = i;
    if (i < text.size())
        line.next += text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n' ? 2 : 1;
    return line;
}

std::string_view trimmed(std::string_view s) {
    while (!s.empty() && static_cast<unsigned char>(s.back()) <= 0x20) s.remove_suffix(1);
    while (!s.empty() && static_cast<unsigned char>(s.front()) <= 0x20) s.remove_prefix(1);
    return s;
}

template <typename Contains>
FieldOptOuts findOptOuts(std::string_view text, std::size_t keep, Contains&& contains) {
    FieldOptOuts found;
    std::size_t number = 0;
    for (std::size_t pos = 0; pos < text.size();) {
        const Span line = lineAt(text, pos);
        pos = line.next;
        ++number;
        const std::string_view address = text.substr(line.begin, line.end - line.begin);
        if (!contains(address)) continue;
        found.lines.push_back(number);
        if (found.count++ < keep) found.first.push_back({number, std::string(trimmed(address))});
    }
    return found;
}

}  // namespace

FieldOptOuts findFieldOptOuts(std::string_view utf8, const OptOutList& optOuts, std::size_t keep) {
    if (optOuts.empty()) return {};
    return findOptOuts(utf8, keep,
                       [&](std::string_view address) { return optOuts.containsUtf8(address); });
}

FieldOptOuts findCp932FieldOptOuts(std::string_view cp932, const OptOutList& optOuts,
                                   std::size_t keep) {
    if (optOuts.empty()) return {};
    return findOptOuts(cp932, keep,
                       [&](std::string_view address) { return optOuts.containsCp932(address); });
}

void removeFieldOptOuts(std::string& utf8, const FieldOptOuts& found) {
    if (found.lines.empty()) return;
    auto next = found.lines.begin();
    std::size_t number = 0;
    std::size_t kept = 0;  // bytes of the result so far, at the front of the text
    for (std::size_t pos = 0; pos < utf8.size();) {
        const Span line = lineAt(utf8, pos);
        pos = line.next;
        ++number;
        if (next != found.lines.end() && *next == number) {
            ++next;
            continue;
        }
        if (kept != line.begin)
            std::memmove(&utf8[kept], utf8.data() + line.begin, line.next - line.begin);
        kept += line.next - line.begin;
    }
    utf8.resize(kept);
}

}  // namespace recipients
