#include "recipients/field_check.h"

#include <algorithm>
#include <deque>
#include <unordered_map>

#include "recipients/address_set.h"
#include "recipients/field_lines.h"
#include "recipients/optout_field.h"
#include "text/half_width.h"

namespace recipients {
namespace {

// The line's address as it will stand once made ASCII; `held` keeps a converted text.
std::string_view judgedAddress(std::string_view line, std::string& held, bool& converted) {
    const std::string_view address = trimBlanks(line);
    converted = false;
    // Most lines are ASCII: no copy for them.
    if (std::all_of(address.begin(), address.end(),
                    [](char c) { return static_cast<unsigned char>(c) < 0x80; }))
        return address;
    std::size_t changed = 0;
    held = text::toHalfWidth(address, &changed);
    converted = changed != 0;
    return converted ? std::string_view(held) : address;
}

}  // namespace

FieldCheck checkField(std::string_view utf8, std::size_t keep) {
    return checkField(utf8, OptOutList(), keep);
}

FieldCheck checkField(std::string_view utf8, const OptOutList& optOuts, std::size_t keep) {
    FieldCheck result;
    // Only the line numbers are needed: the listing below keeps its own texts.
    const FieldOptOuts found = findFieldOptOuts(utf8, optOuts, 0);
    auto nextOptOut = found.lines.begin();
    // Converted addresses, where the map's views can point at them.
    std::deque<std::string> held;
    std::string text;
    std::unordered_map<std::string_view, std::size_t, FoldedHash, FoldedEqual> firstLine;
    forEachFieldLine(utf8, [&](std::size_t index, std::string_view line) {
        if (line.empty()) return;
        ++result.addresses;
        while (nextOptOut != found.lines.end() && *nextOptOut < index + 1) ++nextOptOut;
        const bool optedOut = nextOptOut != found.lines.end() && *nextOptOut == index + 1;
        result.optedOut += optedOut;
        bool converted = false;
        std::string_view address = judgedAddress(line, text, converted);
        if (converted) address = held.emplace_back(std::move(text));
        FieldProblem problem{index + 1, std::string(), checkAddress(address), 0, false, optedOut};
        if (problem.fault != AddressFault::None) {
            ++result.invalid;
        } else {
            problem.fullWidth = converted;
            result.fullWidth += converted;
            const auto [at, inserted] = firstLine.emplace(address, index + 1);
            if (inserted && !converted && !optedOut) return;
            if (!inserted) {
                problem.duplicateOf = at->second;
                ++result.duplicates;
            }
        }
        ++result.problems;
        if (result.first.size() < keep) {
            problem.text = std::string(trimBlanks(line));
            result.first.push_back(std::move(problem));
        }
    });
    return result;
}

std::string withoutDuplicateLines(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 1);
    std::deque<std::string> held;
    std::string text;
    AddressSet seen;
    forEachFieldLine(utf8, [&](std::size_t, std::string_view line) {
        bool converted = false;
        std::string_view address = judgedAddress(line, text, converted);
        if (converted) address = held.emplace_back(std::move(text));
        if (!line.empty() && checkAddress(address) == AddressFault::None && !seen.insert(address))
            return;
        out.append(line.data(), line.size());
        out += '\n';
    });
    return out;
}

std::string withHalfWidthLines(std::string_view utf8, std::size_t* converted) {
    std::string out;
    out.reserve(utf8.size() + 1);
    std::size_t count = 0;
    std::string text;
    forEachFieldLine(utf8, [&](std::size_t, std::string_view line) {
        bool changed = false;
        const std::string_view address = judgedAddress(line, text, changed);
        if (changed && checkAddress(address) == AddressFault::None) {
            out += address;
            ++count;
        } else {
            out.append(line.data(), line.size());
        }
        out += '\n';
    });
    if (converted) *converted = count;
    return out;
}

}  // namespace recipients
