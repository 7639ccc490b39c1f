// INI engine: parsing is idempotent through a write, and setValue/value agree with a
// small model of the rules (first section of a name wins, first line of a key wins,
// names and keys compared ignoring ASCII case, untrimmed).
#include <fuzzer/FuzzedDataProvider.h>

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "store/ini_document.h"
#include "text/cp932.h"

using fuzzsupport::check;
using fuzzsupport::checkEqual;
using store::IniDocument;
using Sections = std::vector<IniDocument::Section>;

namespace {

bool sameSections(const Sections& a, const Sections& b) {
    if (a.size() != b.size()) return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (a[i].name != b[i].name || a[i].lines != b[i].lines) return false;
    }
    return true;
}

std::optional<std::size_t> findSection(const Sections& sections, const std::string& name) {
    for (std::size_t i = 0; i < sections.size(); ++i) {
        if (text::cp932::equalsIgnoreCase(sections[i].name, name)) return i;
    }
    return std::nullopt;
}

std::optional<std::size_t> findLine(const std::vector<std::string>& lines, const std::string& key) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const std::size_t eq = lines[i].find('=');
        if (eq != std::string::npos && text::cp932::equalsIgnoreCase(lines[i].substr(0, eq), key)) {
            return i;
        }
    }
    return std::nullopt;
}

std::optional<std::string> modelValue(const Sections& sections, const std::string& section,
                                      const std::string& key) {
    const auto s = findSection(sections, section);
    if (!s) return std::nullopt;
    const auto& lines = sections[*s].lines;
    const auto l = findLine(lines, key);
    if (!l) return std::nullopt;
    return lines[*l].substr(lines[*l].find('=') + 1);
}

void modelSetValue(Sections& sections, const std::string& section, const std::string& key,
                   const std::string& value) {
    const std::string line = key + "=" + value;
    const auto s = findSection(sections, section);
    if (!s) {
        sections.push_back({section, {line}});
        return;
    }
    auto& lines = sections[*s].lines;
    const auto l = findLine(lines, key);
    if (l) {
        lines[*l] = line;
    } else {
        lines.push_back(line);
    }
}

bool hasLineBreakOrNul(const std::string& s) {
    return s.find_first_of(std::string("\r\n\0", 3)) != std::string::npos;
}

// "[" + name + "]" reads back as that header only when the closing bracket is a character
// of its own, i.e. not taken as the trail byte of a lead byte at the end of the name.
bool headerRoundTrips(const std::string& name) {
    const std::string header = "[" + name + "]";
    std::size_t i = 0;
    std::size_t last = 0;
    while (i < header.size()) {
        last = i;
        i += text::cp932::charLength(header, i);
    }
    return last == header.size() - 1;
}

// Whether writing and reading the document again must keep what this call added.
bool survivesWrite(const std::string& section, const std::string& key, const std::string& value) {
    if (hasLineBreakOrNul(section) || hasLineBreakOrNul(key) || hasLineBreakOrNul(value)) {
        return false;
    }
    // A line starting with ";" is a comment; one starting with "[" may read as a header.
    if (!key.empty() && (key[0] == ';' || key[0] == '[')) return false;
    return headerRoundTrips(section);
}

// A name or key taken from the document (in flipped case when asked), or fuzzed bytes.
std::string pickSection(FuzzedDataProvider& fdp, const Sections& sections) {
    const std::uint8_t how = fdp.ConsumeIntegral<std::uint8_t>();
    if ((how & 1) && !sections.empty()) {
        const std::string& name = sections[how % sections.size()].name;
        return (how & 2) ? fuzzsupport::flipAsciiCase(name) : name;
    }
    return fdp.ConsumeRandomLengthString(32);
}

std::string pickKey(FuzzedDataProvider& fdp, const Sections& sections, const std::string& section) {
    const std::uint8_t how = fdp.ConsumeIntegral<std::uint8_t>();
    const auto s = findSection(sections, section);
    if ((how & 1) && s && !sections[*s].lines.empty()) {
        const auto& lines = sections[*s].lines;
        const std::string& line = lines[how % lines.size()];
        const std::string key = line.substr(0, line.find('='));
        return (how & 2) ? fuzzsupport::flipAsciiCase(key) : key;
    }
    return fdp.ConsumeRandomLengthString(32);
}

void checkParseWriteParse(std::string_view bytes) {
    const IniDocument first = IniDocument::parse(bytes);
    const std::string written = first.serialize();
    const IniDocument second = IniDocument::parse(written);
    check(sameSections(first.sections(), second.sections()),
          "parse -> serialize -> parse gives other sections");
    checkEqual(written, second.serialize(), "second serialize differs from the first");
    for (const auto& section : first.sections()) {
        for (const auto& line : section.lines) {
            check(!line.empty() && line[0] != ';' && !hasLineBreakOrNul(line),
                  "a parsed line is empty, a comment, or holds CR/LF/NUL");
        }
        check(!hasLineBreakOrNul(section.name), "a section name holds CR/LF/NUL");
    }
}

void checkSetAndRead(const std::uint8_t* data, std::size_t size) {
    IniDocument doc =
        IniDocument::parse(std::string_view(reinterpret_cast<const char*>(data), size));
    Sections model = doc.sections();
    FuzzedDataProvider fdp(data, size);
    bool mustSurvive = true;
    const int operations = fdp.ConsumeIntegralInRange(1, 4);
    for (int op = 0; op < operations; ++op) {
        const std::string section = pickSection(fdp, model);
        const std::string key = pickKey(fdp, model, section);
        const std::string value = fdp.ConsumeRandomLengthString(32);

        doc.setValue(section, key, value);
        modelSetValue(model, section, key, value);
        check(sameSections(model, doc.sections()), "setValue changed other than the model");

        const auto read = doc.value(section, key);
        const auto expected = modelValue(model, section, key);
        check(read == expected, "value() after setValue disagrees with the model");
        if (key.find('=') == std::string::npos) {
            check(read && *read == value, "value() does not return what setValue stored");
        }
        mustSurvive = mustSurvive && survivesWrite(section, key, value);
    }

    const std::string probeSection = pickSection(fdp, model);
    const std::string probeKey = pickKey(fdp, model, probeSection);
    check(doc.value(probeSection, probeKey) == modelValue(model, probeSection, probeKey),
          "value() disagrees with the model");

    if (mustSurvive) {
        const IniDocument reread = IniDocument::parse(doc.serialize());
        check(sameSections(doc.sections(), reread.sections()),
              "a set key does not survive serialize -> parse");
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    checkParseWriteParse(std::string_view(reinterpret_cast<const char*>(data), size));
    checkSetAndRead(data, size);
    return 0;
}
