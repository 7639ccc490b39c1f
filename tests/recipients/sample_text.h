#pragma once

#include <string>

// Sample recipient files in the encodings spreadsheets and old systems write, made from
// UTF-8 literals (the test sources are UTF-8).
namespace sample {

// The text in the named iconv encoding, with no BOM; throws when it cannot be converted.
std::string encode(const char* encoding, const std::string& utf8);

inline const std::string kUtf8Bom = "\xEF\xBB\xBF";
inline const std::string kUtf16LeBom = "\xFF\xFE";
inline const std::string kUtf16BeBom = "\xFE\xFF";

// A customer list as Excel writes it: a header row, then `rows` rows of a Japanese name, an
// address and a prefecture, CR LF after each.
std::string customerCsv(int rows, const char* delimiter = ",");

// The same shape with names and places varied enough for the encoding detector to be sure
// of Shift-JIS once encoded (a list of four names repeated reads to it as Thai).
std::string variedCustomerCsv(int rows);

}  // namespace sample
