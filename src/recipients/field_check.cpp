#include "recipients/field_check.h"

#include <unordered_map>

#include "recipients/address_set.h"
#include "recipients/field_lines.h"

namespace recipients {

FieldCheck checkField(std::string_view utf8, std::size_t keep) {
    FieldCheck result;
    std::unordered_map<std::string_view, std::size_t, FoldedHash, FoldedEqual> firstLine;
    forEachFieldLine(utf8, [&](std::size_t index, std::string_view line) {
        if (line.empty()) return;
        ++result.addresses;
        const std::string_view address = trimBlanks(line);
        FieldProblem problem{index + 1, std::string(), checkAddress(address), 0};
        if (problem.fault != AddressFault::None) {
            ++result.invalid;
        } else {
            const auto [at, inserted] = firstLine.emplace(address, index + 1);
            if (inserted) return;
            problem.duplicateOf = at->second;
            ++result.duplicates;
        }
        if (result.first.size() < keep) {
            problem.text = std::string(address);
            result.first.push_back(std::move(problem));
        }
    });
    return result;
}

std::string withoutDuplicateLines(std::string_view utf8) {
    std::string out;
    out.reserve(utf8.size() + 1);
    AddressSet seen;
    forEachFieldLine(utf8, [&](std::size_t, std::string_view line) {
        const std::string_view address = trimBlanks(line);
        if (!line.empty() && checkAddress(address) == AddressFault::None && !seen.insert(address))
            return;
        out.append(line.data(), line.size());
        out += '\n';
    });
    return out;
}

}  // namespace recipients
