#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

// The rows and fields of a CSV or tab-separated text, held compactly: a plain field is a
// view into the text itself, and only fields that quoting changed are copied. The text
// must outlive the table.
namespace recipients {

// Told the bytes parsed so far, now and then; returns false to stop.
using CsvProgress = std::function<bool(std::size_t done)>;

class CsvTable {
public:
    // Offsets are 32-bit to keep a million rows small; longer texts are refused.
    static constexpr std::size_t kMaxText = std::size_t(1) << 31;

    char delimiter = ',';

    std::size_t rowCount() const { return rows_.size(); }
    std::size_t fieldCount(std::size_t row) const;
    std::string_view field(std::size_t row, std::size_t column) const;
    // The text line (1-based) where the row starts; a quoted line break makes a row span
    // more than one line.
    std::size_t line(std::size_t row) const { return rows_[row].line; }

    void setText(std::string_view text) { text_ = text; }
    void reserve(std::size_t textSize);
    void beginRow(std::size_t line);
    // A field as it stands in the text.
    void addTextField(std::size_t begin, std::size_t end);
    // A field that unquoting changed, copied.
    void addCopiedField(const char* data, std::size_t size);

private:
    static constexpr std::uint32_t kCopied = std::uint32_t(1) << 31;
    struct Row {
        std::uint32_t firstField;
        std::uint32_t line;
    };
    struct Field {
        std::uint32_t begin;  // kCopied set: an offset into copies_
        std::uint32_t end;
    };
    std::string_view text_;
    std::string copies_;
    std::vector<Field> fields_;
    std::vector<Row> rows_;
};

// A tab when the first line holds more tabs than commas, else a comma.
char guessDelimiter(std::string_view text);

// Splits the text (UTF-8, CP932 or EUC-JP: none of them puts a delimiter, quote or line
// end inside a character) into rows and fields: quoted fields, doubled quotes and line
// breaks inside quotes. Empty lines make no row. Stops early, with what it has, when
// the progress callback says so. Throws std::length_error past kMaxText.
CsvTable readCsv(std::string_view text, const CsvProgress& progress = nullptr);

}  // namespace recipients
