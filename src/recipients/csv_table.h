#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The rows and fields of a CSV or tab-separated text, held compactly: a million rows of
// three fields are three million views into one buffer, not three million strings.
namespace recipients {

// Told the bytes parsed so far, now and then; returns false to stop.
using CsvProgress = std::function<bool(std::size_t done)>;

class CsvTable {
public:
    char delimiter = ',';

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t fieldCount(std::size_t row) const;
    std::string_view field(std::size_t row, std::size_t column) const;
    // The text line (1-based) where the row starts; a quoted line break makes a row span
    // more than one line.
    std::size_t line(std::size_t row) const { return rows_[row].line; }

    void beginRow(std::size_t line);
    void addField(const char* data, std::size_t size);

private:
    struct Row {
        std::size_t firstField;
        std::size_t line;
    };
    std::string text_;
    std::vector<std::size_t> fieldEnds_;
    std::vector<Row> rows_;
};

// A tab when the first line holds more tabs than commas, else a comma.
char guessDelimiter(std::string_view text);

// Splits the text (UTF-8, CP932 or EUC-JP: none of them puts a delimiter, quote or line
// end inside a character) into rows and fields: quoted fields, doubled quotes and line
// breaks inside quotes. Empty lines make no row. Stops early, with what it has, when
// the progress callback says so.
CsvTable readCsv(std::string_view text, const CsvProgress& progress = nullptr);

}  // namespace recipients
