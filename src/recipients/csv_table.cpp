#include "recipients/csv_table.h"

#include <csv.h>

#include <cstring>
#include <new>
#include <stdexcept>

namespace recipients {
namespace {

// Progress and cancel are looked at once per this many bytes.
constexpr std::size_t kStep = 1 << 20;
constexpr int kRowNotBegun = 0;  // libcsv's state between rows

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
    state->table->addCopiedField(static_cast<const char*>(data), data ? size : 0);
}

void onRowEnd(int, void* user) {
    static_cast<ParseState*>(user)->rowOpen = false;
}

// Blanks around an unquoted field are kept here and trimmed later with the address.
int noSpace(unsigned char) {
    return 0;
}

}  // namespace

std::size_t CsvTable::fieldCount(std::size_t row) const {
    const std::size_t end = row + 1 < rows_.size() ? rows_[row + 1].firstField : fields_.size();
    return end - rows_[row].firstField;
}

std::string_view CsvTable::field(std::size_t row, std::size_t column) const {
    if (column >= fieldCount(row)) return std::string_view();
    const Field& f = fields_[rows_[row].firstField + column];
    if (f.begin & kCopied) {
        const std::size_t begin = f.begin & ~kCopied;
        return std::string_view(copies_).substr(begin, f.end - begin);
    }
    return text_.substr(f.begin, f.end - f.begin);
}

void CsvTable::reserve(std::size_t textSize) {
    // Only address space until used: a recipient row is rarely under 16 bytes a field.
    fields_.reserve(textSize / 16 + 16);
    rows_.reserve(textSize / 32 + 16);
}

void CsvTable::beginRow(std::size_t line) {
    rows_.push_back({std::uint32_t(fields_.size()), std::uint32_t(line)});
}

void CsvTable::addTextField(std::size_t begin, std::size_t end) {
    fields_.push_back({std::uint32_t(begin), std::uint32_t(end)});
}

void CsvTable::addCopiedField(const char* data, std::size_t size) {
    const std::size_t begin = copies_.size();
    if (size) copies_.append(data, size);
    if (copies_.size() >= kMaxText) throw std::length_error("CSV text too long");
    fields_.push_back({std::uint32_t(begin) | kCopied, std::uint32_t(copies_.size())});
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
    if (text.size() >= CsvTable::kMaxText) throw std::length_error("CSV text too long");
    CsvTable table;
    table.setText(text);
    table.delimiter = guessDelimiter(text);
    csv_parser parser;
    if (csv_init(&parser, 0) != 0) throw std::bad_alloc();
    csv_set_delim(&parser, static_cast<unsigned char>(table.delimiter));
    csv_set_space_func(&parser, noSpace);
    ParseState state{&table};
    table.reserve(text.size());

    const char* const data = text.data();
    const std::size_t size = text.size();
    std::size_t pos = 0;
    std::size_t nextReport = kStep;
    // A line at a time, so each row knows the line it starts on.
    while (pos < size) {
        const char* lf = static_cast<const char*>(std::memchr(data + pos, '\n', size - pos));
        std::size_t contentEnd = lf ? std::size_t(lf - data) : size;
        std::size_t end = lf ? contentEnd + 1 : size;
        if (const void* cr = std::memchr(data + pos, '\r', contentEnd - pos)) {
            // A CR ends the line too: before an LF it is part of CR LF, else a line of its own.
            contentEnd = std::size_t(static_cast<const char*>(cr) - data);
            end = contentEnd + 1 < size && data[contentEnd + 1] == '\n' ? contentEnd + 2
                                                                        : contentEnd + 1;
        }
        const std::string_view content = text.substr(pos, contentEnd - pos);
        if (parser.pstate == kRowNotBegun && content.find('"') == std::string_view::npos) {
            // Nothing quoted: the fields are the text between delimiters, as libcsv would
            // give them, without copying.
            if (!content.empty()) {
                table.beginRow(state.line);
                std::size_t begin = pos;
                for (std::size_t i = pos; i < contentEnd; ++i) {
                    if (data[i] == table.delimiter) {
                        table.addTextField(begin, i);
                        begin = i + 1;
                    }
                }
                table.addTextField(begin, contentEnd);
            }
        } else {
            if (parser.pstate == kRowNotBegun) state.rowLine = state.line;
            if (csv_parse(&parser, data + pos, end - pos, onField, onRowEnd, &state) != end - pos) {
                csv_free(&parser);
                throw std::bad_alloc();  // the only failure outside strict mode
            }
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
