// list.txt line splitting: never crashes or hangs; every line splits exactly as a plain
// model of the rule does, quoted fields included (a lead byte takes the next byte inside
// quotes as outside); the fields of a line without quotes are pieces of the line, in order;
// the address part is a prefix ending at a comma. The same bytes taken as a
// whole list.txt: the quick recipient scan gives, line by line, what the field scanner
// gives, and so do the group's recipients and the lines a rewrite keeps.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "store/comma_text.h"
#include "store/recipient_scan.h"
#include "store/text_file.h"
#include "text/cp932.h"

using fuzzsupport::check;
using fuzzsupport::checkEqual;

namespace {

bool isBlank(unsigned char c) {
    return c >= 1 && c <= 32;
}

// The rule for a line without NUL bytes, character by character.
std::vector<std::string> splitModel(const std::string& s) {
    std::vector<std::string> fields;
    std::size_t i = 0;
    auto skipBlanks = [&] {
        while (i < s.size() && isBlank(static_cast<unsigned char>(s[i]))) ++i;
    };
    skipBlanks();
    while (i < s.size()) {
        if (s[i] == '"') {
            std::string field;
            for (++i; i < s.size();) {
                const std::size_t length = text::cp932::charLength(s, i);
                if (length == 1 && s[i] == '"') {
                    const bool pair = i + 1 < s.size() && s[i + 1] == '"';
                    i += pair ? 2 : 1;
                    if (!pair) break;
                    field += '"';
                    continue;
                }
                field.append(s, i, length);
                i += length;
            }
            fields.push_back(field);
        } else {
            const std::size_t start = i;
            while (i < s.size() && s[i] != ',' && static_cast<unsigned char>(s[i]) > 32) {
                i += text::cp932::charLength(s, i);
            }
            fields.push_back(s.substr(start, i - start));
        }
        skipBlanks();
        if (i < s.size() && s[i] == ',') {
            ++i;
            skipBlanks();
        }
    }
    return fields;
}

std::size_t firstCommaChar(const std::string& s) {
    for (std::size_t i = 0; i < s.size(); i += text::cp932::charLength(s, i)) {
        if (s[i] == ',') return i;
    }
    return std::string::npos;
}

bool endsAtFirstComma(const std::string& line, std::size_t length) {
    if (length == line.find(',')) return true;
    const std::size_t commaChar = firstCommaChar(line);
    return commaChar == std::string::npos ? length == 0 : length == commaChar;
}

std::string describe(const std::vector<std::string>& fields) {
    std::string out;
    for (const auto& f : fields) {
        out += "<" + f + ">";
    }
    return out;
}

// The recipient rules line by line through the field scanner.
void checkRecipientScan(const std::string& text, const std::string& group) {
    namespace recipients = store::recipients;
    std::string expectedRecipients;
    std::string expectedKept;
    bool any = false;
    store::textfile::LineReader reader(text);
    recipients::ListScanner scanner(text, group);
    std::string_view line;
    recipients::ListLine quick;
    while (reader.next(line)) {
        check(scanner.next(quick), "the quick scan ends before the last line");
        checkEqual(line, quick.text, "the quick scan finds another line");
        const recipients::LineSplit split = recipients::splitLine(line, group);
        check(quick.split.fields == split.fields, "the quick scan counts other fields");
        check(quick.split.secondIsGroup == split.secondIsGroup,
              "the quick scan compares another second field");
        const std::size_t next = static_cast<std::size_t>(line.data() - text.data()) + line.size();
        check(quick.endsInCrLf == (text.compare(next, 2, "\r\n") == 0),
              "the quick scan sees another line end");
        if (split.ofGroup()) {
            checkEqual(store::commatext::addressPart(line), quick.address,
                       "the quick scan takes another address");
            if (any) expectedRecipients += '\n';
            any = true;
            expectedRecipients.append(store::commatext::addressPart(line));
        }
        if (split.keptOnRewrite()) {
            expectedKept.append(line);
            expectedKept.append("\r\n");
        }
    }
    check(!scanner.next(quick), "the quick scan finds a line after the last one");
    checkEqual(expectedRecipients, recipients::groupRecipients(text, group),
               "the group's recipients differ");
    std::string kept;
    recipients::keptLines(text, group, [&kept](std::string_view bytes) { kept.append(bytes); });
    checkEqual(expectedKept, kept, "a rewrite keeps other lines");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string line(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> fields = store::commatext::split(line);

    // Every field but an empty one between two commas takes at least one byte.
    check(fields.size() <= line.size(), "more fields than bytes");

    // A NUL byte ends the line.
    const std::string text = line.substr(0, line.find('\0'));
    checkEqual(describe(splitModel(text)), describe(fields), "line split differently");
    if (text.find('"') == std::string::npos) {
        std::size_t from = 0;
        for (const auto& field : fields) {
            const std::size_t at = text.find(field, from);
            check(at != std::string::npos, "a field of an unquoted line is not in the line");
            from = at + field.size();
        }
    }

    const std::string_view address = store::commatext::addressPart(line);
    check(address.size() <= line.size(), "address part longer than the line");
    if (!address.empty()) {
        check(address.data() == line.data(), "address part is not a prefix of the line");
    }
    if (line.find(',') == std::string::npos) {
        check(address.empty(), "address part of a line without comma is not empty");
    } else {
        // The first comma byte, or the first comma that is a character of its own (none
        // when every comma follows a lead byte); they differ only in invalid CP932. A NUL
        // may end the line first; lines read from a file never hold one.
        check(endsAtFirstComma(line, address.size()) || endsAtFirstComma(text, address.size()),
              "address part does not end at the line's first comma");
    }

    // Short group numbers, so that lines of the group turn up.
    checkRecipientScan(line, std::to_string(size % 12));
    if (size > 0) checkRecipientScan(line, std::string(1, line.back()));
    return 0;
}
