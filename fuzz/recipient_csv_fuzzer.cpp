// Recipient files: splitting never differs from libcsv reading the whole text itself, and an
// import accounts for every row: each is an address taken, a repeat or an invalid row, and
// every address taken is distinct, passes the check and is text the store can hold.
#include <csv.h>

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "recipients/address_check.h"
#include "recipients/address_set.h"
#include "recipients/csv_table.h"
#include "recipients/recipient_import.h"

using fuzzsupport::check;

namespace {

struct Row {
    std::size_t line = 0;
    std::vector<std::string> fields;
};

struct Reference {
    std::vector<Row> rows;
    std::size_t line = 1;
    std::size_t rowLine = 1;
    bool open = false;
};

void onField(void* data, std::size_t size, void* user) {
    auto* ref = static_cast<Reference*>(user);
    if (!ref->open) {
        ref->rows.push_back({ref->rowLine, {}});
        ref->open = true;
    }
    ref->rows.back().fields.emplace_back(static_cast<const char*>(data), data ? size : 0);
}

void onRowEnd(int, void* user) {
    static_cast<Reference*>(user)->open = false;
}

int noSpace(unsigned char) {
    return 0;
}

// libcsv over every line, no quick path for unquoted lines.
std::vector<Row> referenceRows(std::string_view text, char delimiter) {
    csv_parser parser;
    csv_init(&parser, 0);
    csv_set_delim(&parser, static_cast<unsigned char>(delimiter));
    csv_set_space_func(&parser, noSpace);
    Reference ref;
    for (std::size_t pos = 0; pos < text.size(); ++ref.line) {
        std::size_t end = text.find_first_of("\r\n", pos);
        end = end == std::string_view::npos                                         ? text.size()
              : text[end] == '\r' && end + 1 < text.size() && text[end + 1] == '\n' ? end + 2
                                                                                    : end + 1;
        if (parser.pstate == 0) ref.rowLine = ref.line;
        csv_parse(&parser, text.data() + pos, end - pos, onField, onRowEnd, &ref);
        pos = end;
    }
    csv_fini(&parser, onField, onRowEnd, &ref);
    csv_free(&parser);
    return ref.rows;
}

void checkSplitting(std::string_view text) {
    const recipients::CsvTable table = recipients::readCsv(text);
    const std::vector<Row> expected = referenceRows(text, table.delimiter);
    check(table.rowCount() == expected.size(), "row count differs from libcsv alone");
    for (std::size_t r = 0; r < expected.size(); ++r) {
        check(table.line(r) == expected[r].line, "row line differs from libcsv alone");
        check(table.fieldCount(r) == expected[r].fields.size(), "field count differs");
        for (std::size_t c = 0; c < expected[r].fields.size(); ++c)
            fuzzsupport::checkEqual(expected[r].fields[c], table.field(r, c), "field differs");
    }
}

void checkImport(std::string_view bytes, std::string_view field) {
    const auto result = recipients::importBytes(std::string(bytes), field);
    if (result.status != recipients::ImportStatus::Done) {
        check(result.addresses.empty() && result.rowsRead == 0, "a refused file gave rows");
        return;
    }
    check(result.rowsRead == result.invalid + result.fileDuplicates + result.toReplace(),
          "a row is neither taken, a repeat nor invalid");
    check(result.firstInvalid.size() == std::min(result.invalid, recipients::kKeptInvalidRows),
          "the invalid rows kept are not the first ones");
    for (std::size_t i = 1; i < result.firstInvalid.size(); ++i)
        check(result.firstInvalid[i - 1].line < result.firstInvalid[i].line,
              "invalid rows out of order");
    recipients::AddressSet seen;
    std::size_t count = 0;
    for (std::size_t pos = 0; pos < result.addresses.size(); ++count) {
        const std::size_t end = result.addresses.find('\n', pos);
        check(end != std::string::npos, "an address without its line end");
        const std::string_view address(result.addresses.data() + pos, end - pos);
        check(recipients::checkAddress(address) == recipients::AddressFault::None,
              "an address taken fails the check");
        check(fuzzsupport::isValidUtf8(address), "an address taken is not UTF-8");
        check(seen.insert(address), "an address taken twice");
        pos = end + 1;
    }
    check(count == result.inField.size(), "addresses and their field marks differ");
    check(result.appendText().size() <= result.replaceText().size(), "append adds more");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    checkSplitting(text);
    // The first line, when short, also stands for the field already holding addresses.
    const std::size_t cut = text.find('\n');
    checkImport(text, cut != std::string_view::npos && cut < 64 ? text.substr(0, cut) : "");
    return 0;
}
