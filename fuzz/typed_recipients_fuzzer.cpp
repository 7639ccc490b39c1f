// The check of typed recipient lines: a line passes exactly when the store, having saved it
// as "line,n", reads it back as itself for group n and keeps it when another group's list
// is rewritten. The refusals are counted in full, listed up to `keep`, in line order, with
// line numbers that count every line of the field.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "store/recipient_scan.h"
#include "store/typed_recipients.h"

using fuzzsupport::check;

namespace {

// The field's lines at CR LF, LF or CR, over the whole text: a NUL does not end a field.
std::vector<std::string_view> fieldLines(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t start = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\r' && text[i] != '\n') continue;
        lines.push_back(text.substr(start, i - start));
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
        start = i + 1;
    }
    if (start < text.size()) lines.push_back(text.substr(start));
    return lines;
}

// What the store makes of the line saved for group n between lines of group 99, and when
// group `other` is rewritten.
bool storeKeepsAsTyped(std::string_view line, const std::string& group, const std::string& other) {
    std::string list = "first,99\r\n";
    list.append(line);
    list += "," + group + "\r\nlast,99\r\n";
    if (store::recipients::groupRecipients(list, group) != line) return false;
    std::string kept;
    store::recipients::keptLines(list, other, [&kept](std::string_view b) { kept.append(b); });
    return kept == list;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const std::string group = std::to_string(size % 13);
    const std::string other = group == "0" ? "1" : "0";
    const std::size_t keep = size % 7;

    const store::recipients::TypedLinesCheck result =
        store::recipients::checkTypedLines(text, group, keep);
    const std::vector<std::string_view> lines = fieldLines(text);

    std::vector<std::size_t> refused;
    for (std::size_t n = 0; n < lines.size(); ++n) {
        if (lines[n].empty()) continue;
        if (!storeKeepsAsTyped(lines[n], group, other)) refused.push_back(n);
    }
    check(result.refused == refused.size(), "the check refuses other lines than the store");
    check(result.first.size() == (refused.size() < keep ? refused.size() : keep),
          "the check lists more or fewer refusals than it keeps");
    for (std::size_t k = 0; k < result.first.size(); ++k) {
        check(result.first[k].line == refused[k], "a listed refusal names another line");
    }

    // Each line on its own gives the same verdict as within the field.
    for (std::size_t n = 0; n < lines.size() && n < 64; ++n) {
        if (lines[n].empty()) continue;
        const bool alone = store::recipients::checkTypedLines(lines[n], group).refused == 0;
        check(alone == storeKeepsAsTyped(lines[n], group, other),
              "a line alone gets another verdict");
    }
    return 0;
}
