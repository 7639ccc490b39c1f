#include "recipients/csv_table.h"

#include <csv.h>

#include <cstring>
#include <stdexcept>

namespace recipients {
namespace {

// Progress and cancel are looked at once per this many bytes.
constexpr std::size_t kStep = 1 << 20;

struct ParseState {
    CsvTable* table;
    std::size_t line = 1;     // the line being fed
    std::size_t rowLine = 1;  // the line the open row started on
    bool rowOpen = false;
};

void onField(void* data, std::size_t size, void* user) {
    auto* state = static_cast<ParseState*>(user);
    if (!state->rowOpen) {
        state->table->beginRow(state->rowLine);
        state->rowOpen = true;
    }
    state->table->addField(static_cast<const char*>(data), data ? size : 0);
}

void onRowEnd(int, void* user) {
    static_cast<ParseState*>(user)->rowOpen = false;
}

// Blanks around an unquoted field are kept here and trimmed later with the address; the
// delimiter is never a blank to libcsv.
int noSpace(unsigned char) {
    return 0;
}

}  // namespace

std::size_t CsvTable::fieldCount(std::size_t row) const {
    const std::size_t end = row + 1 < rows_.size() ? rows_[row + 1].firstField : fieldEnds_.size();
    return end - rows_[row].firstField;
}

std::string_view CsvTable::field(std::size_t row, std::size_t column) const {
    if (column >= fieldCount(row)) return std::string_view();
    const std::size_t index = rows_[row].firstField + column;
    const std::size_t begin = index == 0 ? 0 : fieldEnds_[index - 1];
    return std::string_view(text_).substr(begin, fieldEnds_[index] - begin);
}

void CsvTable::beginRow(std::size_t line) {
    rows_.push_back({fieldEnds_.size(), line});
}

void CsvTable::addField(const char* data, std::size_t size) {
    if (size) text_.append(data, size);
    fieldEnds_.push_back(text_.size());
}

char guessDelimiter(std::string_view text) {
    const std::size_t end = text.find_first_of("\r\n");
    const std::string_view first = text.substr(0, end);
    std::size_t tabs = 0, commas = 0;
    for (char c : first) {
        tabs += c == '\t';
        commas += c == ',';
    }
    return tabs > commas ? '\t' : ',';
}

CsvTable readCsv(std::string_view text, const CsvProgress& progress) {
    CsvTable table;
    table.delimiter = guessDelimiter(text);
    csv_parser parser;
    if (csv_init(&parser, 0) != 0) throw std::bad_alloc();
    csv_set_delim(&parser, static_cast<unsigned char>(table.delimiter));
    csv_set_space_func(&parser, noSpace);
    ParseState state{&table};

    // Fed a line at a time, so each row knows the line it starts on.
    std::size_t pos = 0;
    std::size_t nextReport = kStep;
    while (pos < text.size()) {
        std::size_t end = pos;
        const char* data = text.data();
        while (end < text.size() && data[end] != '\n' && data[end] != '\r') ++end;
        if (end < text.size())
            end += data[end] == '\r' && end + 1 < text.size() && data[end + 1] == '\n' ? 2 : 1;
        // Between rows: whatever comes next starts on this line.
        if (parser.pstate == 0) state.rowLine = state.line;
        if (csv_parse(&parser, data + pos, end - pos, onField, onRowEnd, &state) != end - pos) {
            csv_free(&parser);
            throw std::bad_alloc();  // the only failure outside strict mode
        }
        ++state.line;
        pos = end;
        if (progress && pos >= nextReport) {
            nextReport = pos + kStep;
            if (!progress(pos)) break;
        }
    }
    csv_fini(&parser, onField, onRowEnd, &state);
    csv_free(&parser);
    return table;
}

}  // namespace recipients
