#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "recipients/csv_table.h"
#include "recipients/file_encoding.h"

// Which column of a recipient file holds the addresses.
namespace recipients {

struct ColumnChoice {
    std::size_t column = 0;
    bool header = false;  // the first row names the columns and holds no recipient
};

// The header word folded for comparing: NFKC for the forms a spreadsheet header holds
// (full-width Latin, half-width katakana with their sound marks, the ideographic space),
// then ASCII case folding and trimming.
std::string foldHeader(std::string_view utf8);

// True for a header such as メールアドレス, メール, E-mail, email or mail.
bool isAddressHeader(std::string_view utf8);

// A header cell picks the column; without one, the column where most rows hold an "@"
// (the leftmost on a tie, the first when none does). `raw`: the table holds the bytes of
// a CP932 or EUC-JP text (see decodeText).
ColumnChoice chooseColumn(const CsvTable& table, Encoding encoding = Encoding::Utf8,
                          bool raw = false);

}  // namespace recipients
