#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace store {

// An INI file as the settings files hold it: sections of raw lines, nothing else.
// Comments, empty lines and lines before the first section are dropped on parsing.
class IniDocument {
public:
    struct Section {
        std::string name;                // between the brackets, untrimmed
        std::vector<std::string> lines;  // raw lines, normally key=value
    };

    static IniDocument parse(std::string_view bytes);
    // "[name]" CR LF, each line CR LF, one empty line CR LF, for each section.
    std::string serialize() const;

    // Value after the first "=" of the first line whose key matches, in the first section
    // of that name (names and keys compared ignoring ASCII case, untrimmed).
    std::optional<std::string> value(const std::string& section, const std::string& key) const;
    // Replaces the first matching line by key=value (caller's spelling), or appends it;
    // a missing section is appended.
    void setValue(const std::string& section, const std::string& key, const std::string& value);

    const std::vector<Section>& sections() const { return sections_; }

private:
    std::vector<Section> sections_;
};

}  // namespace store
