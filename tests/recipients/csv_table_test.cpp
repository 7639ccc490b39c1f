#include "recipients/csv_table.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

struct Row {
    std::size_t line;
    std::vector<std::string> fields;
    bool operator==(const Row& o) const { return line == o.line && fields == o.fields; }
};

void PrintTo(const Row& row, std::ostream* os) {
    *os << "line " << row.line << ":";
    for (const auto& f : row.fields) *os << " [" << f << "]";
}

std::vector<Row> rowsOf(const recipients::CsvTable& table) {
    std::vector<Row> rows;
    for (std::size_t r = 0; r < table.rowCount(); ++r) {
        Row row{table.line(r), {}};
        for (std::size_t c = 0; c < table.fieldCount(r); ++c)
            row.fields.emplace_back(table.field(r, c));
        rows.push_back(row);
    }
    return rows;
}

TEST(CsvTable, SplitsFieldsAndKnowsTheLineEachRowStartsOn) {
    struct Case {
        const char* name;
        std::string text;
        char delimiter;
        std::vector<Row> rows;
    };
    const Case cases[] = {
        {"plain, CR LF", "a,b\r\nc,d\r\n", ',', {{1, {"a", "b"}}, {2, {"c", "d"}}}},
        {"quoted comma and doubled quotes",
         "\"Yamada, Taro\",\"say \"\"hi\"\"\"\n",
         ',',
         {{1, {"Yamada, Taro", "say \"hi\""}}}},
        {"line break inside quotes",
         "\"two\nlines\",x@y.jp\nnext,z@y.jp\n",
         ',',
         {{1, {"two\nlines", "x@y.jp"}}, {3, {"next", "z@y.jp"}}}},
        {"a row starting with a multi-line quoted field",
         "h\n\"a\nb\nc\",x\nlast\n",
         ',',
         {{1, {"h"}}, {2, {"a\nb\nc", "x"}}, {5, {"last"}}}},
        {"empty lines make no row but count", "a\n\n\r\nb\n", ',', {{1, {"a"}}, {4, {"b"}}}},
        {"tabs",
         "名前\tメール\n太郎\tt@x.jp\n",
         '\t',
         {{1, {"名前", "メール"}}, {2, {"太郎", "t@x.jp"}}}},
        {"blanks kept for the trim later", " a , b \n", ',', {{1, {" a ", " b "}}}},
        {"lone CR line ends", "a\rb\rc", ',', {{1, {"a"}}, {2, {"b"}}, {3, {"c"}}}},
        {"empty fields", "a,,\n", ',', {{1, {"a", "", ""}}}},
        {"no final line end", "x@y.jp", ',', {{1, {"x@y.jp"}}}},
        {"an unterminated quote takes the rest", "\"a,b\nc", ',', {{1, {"a,b\nc"}}}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const auto table = recipients::readCsv(c.text);
        EXPECT_EQ(table.delimiter, c.delimiter);
        EXPECT_EQ(rowsOf(table), c.rows);
    }
}

TEST(CsvTable, StopsWhenTheProgressCallbackSaysSo) {
    std::string text;
    for (int n = 0; n < 200000; ++n) text += "name,user" + std::to_string(n) + "@example.com\n";
    std::size_t calls = 0;
    const auto table = recipients::readCsv(text, [&](std::size_t done) {
        EXPECT_LE(done, text.size());
        return ++calls < 2;
    });
    EXPECT_EQ(calls, 2u);
    EXPECT_GT(table.rowCount(), 0u);
    EXPECT_LT(table.rowCount(), 200000u);
}

}  // namespace
