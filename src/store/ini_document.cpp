#include "store/ini_document.h"

#include "store/text_file.h"
#include "text/cp932.h"

namespace store {
namespace {

// Where the last character of the line starts, stepping by CP932 character, so that a
// trail byte 0x5D is never taken for the closing bracket.
std::size_t lastCharStart(std::string_view line) {
    std::size_t i = 0;
    std::size_t last = 0;
    while (i < line.size()) {
        last = i;
        i += text::cp932::charLength(line, i);
    }
    return last;
}

bool isSectionHeader(std::string_view line) {
    if (line.size() < 2 || line.front() != '[') return false;
    std::size_t last = lastCharStart(line);
    return last > 0 && line.size() - last == 1 && line.back() == ']';
}

// The text before the first "=", or nothing for a line without one. "=" is below 0x40 and
// so never a trail byte.
bool keyOf(const std::string& line, std::string& key) {
    std::size_t eq = line.find('=');
    if (eq == std::string::npos) return false;
    key.assign(line, 0, eq);
    return true;
}

template <typename Sections>
auto findSection(Sections& sections, const std::string& name) -> decltype(&sections.front()) {
    for (auto& section : sections) {
        if (text::cp932::equalsIgnoreCase(section.name, name)) return &section;
    }
    return nullptr;
}

template <typename Lines>
auto findKeyLine(Lines& lines, const std::string& key) -> decltype(&lines.front()) {
    std::string lineKey;
    for (auto& line : lines) {
        if (keyOf(line, lineKey) && text::cp932::equalsIgnoreCase(lineKey, key)) return &line;
    }
    return nullptr;
}

}  // namespace

IniDocument IniDocument::parse(std::string_view bytes) {
    IniDocument doc;
    textfile::LineReader reader(bytes);
    std::string_view line;
    while (reader.next(line)) {
        if (line.empty() || line.front() == ';') continue;
        if (isSectionHeader(line)) {
            doc.sections_.push_back(Section{std::string(line.substr(1, line.size() - 2)), {}});
        } else if (!doc.sections_.empty()) {
            doc.sections_.back().lines.emplace_back(line);
        }
    }
    return doc;
}

std::string IniDocument::serialize() const {
    std::string out;
    for (const auto& section : sections_) {
        out += '[';
        out += section.name;
        out += "]\r\n";
        for (const auto& line : section.lines) {
            out += line;
            out += "\r\n";
        }
        out += "\r\n";
    }
    return out;
}

std::optional<std::string> IniDocument::value(const std::string& section,
                                              const std::string& key) const {
    const Section* found = findSection(sections_, section);
    if (!found) return std::nullopt;
    const std::string* line = findKeyLine(found->lines, key);
    if (!line) return std::nullopt;
    return line->substr(key.size() + 1);
}

void IniDocument::setValue(const std::string& section, const std::string& key,
                           const std::string& value) {
    Section* found = findSection(sections_, section);
    if (!found) {
        sections_.push_back(Section{section, {}});
        found = &sections_.back();
    }
    std::string line = key + "=" + value;
    if (std::string* old = findKeyLine(found->lines, key)) {
        *old = std::move(line);
    } else {
        found->lines.push_back(std::move(line));
    }
}

}  // namespace store
