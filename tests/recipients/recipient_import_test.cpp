#include "recipients/recipient_import.h"

#include <gtest/gtest.h>

#include "sample_text.h"
#include "support/temp_app_folder.h"

namespace {

using recipients::AddressFault;
using recipients::ImportStatus;

struct Invalid {
    std::size_t line;
    std::string text;
    AddressFault fault;
    bool operator==(const Invalid& o) const {
        return line == o.line && text == o.text && fault == o.fault;
    }
};

void PrintTo(const Invalid& row, std::ostream* os) {
    *os << "line " << row.line << " [" << row.text << "] fault " << int(row.fault);
}

std::vector<Invalid> invalidRows(const recipients::ImportResult& result) {
    std::vector<Invalid> rows;
    for (const auto& row : result.firstInvalid) rows.push_back({row.line, row.text, row.fault});
    return rows;
}

// An Excel export with everything a real one holds: a header, Japanese names, a quoted
// name with a comma, a line break inside quotes, "Name <addr>", repeats in other case,
// an address already in the field, and broken rows.
const std::string kCustomerList =
    "氏名,メールアドレス,備考\r\n"
    "山田太郎,taro@example.co.jp,\r\n"
    "\"鈴木, 花子\",\"Hanako <hanako@example.jp>\",\"二行の\r\n備考\"\r\n"
    "佐藤,TARO@Example.co.jp,重複\r\n"
    "高橋,takahashi@example,ドメイン\r\n"
    "田中,already@example.com,入力済み\r\n"
    "伊藤,,空欄\r\n"
    "渡辺,wata nabe@example.jp,空白\r\n"
    "小林,kobayashi@example.jp\r\n";

TEST(RecipientImport, AnExcelListGivesDistinctValidAddressesAndReportsTheRest) {
    const struct {
        const char* name;
        std::string bytes;
        recipients::Encoding encoding;
    } files[] = {
        {"Shift-JIS", sample::encode("CP932", kCustomerList), recipients::Encoding::Cp932},
        {"UTF-8 with BOM", sample::kUtf8Bom + kCustomerList, recipients::Encoding::Utf8Bom},
        {"EUC-JP", sample::encode("EUC-JP", kCustomerList), recipients::Encoding::EucJp},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        const auto result =
            recipients::importBytes(file.bytes, "x@example.com\nALREADY@example.com\n");
        ASSERT_EQ(result.status, ImportStatus::Done);
        EXPECT_EQ(result.encoding, file.encoding);
        EXPECT_TRUE(result.header);
        EXPECT_EQ(result.column, 1u);
        EXPECT_EQ(result.rowsRead, 8u);
        EXPECT_EQ(result.fileDuplicates, 1u);
        EXPECT_EQ(result.fieldDuplicates, 1u);
        EXPECT_EQ(result.invalid, 3u);
        EXPECT_EQ(invalidRows(result),
                  (std::vector<Invalid>{{6, "takahashi@example", AddressFault::NoDomainDot},
                                        {8, "", AddressFault::Empty},
                                        {9, "wata nabe@example.jp", AddressFault::Blank}}));
        EXPECT_EQ(result.replaceText(),
                  "taro@example.co.jp\nhanako@example.jp\nalready@example.com\n"
                  "kobayashi@example.jp\n");
        EXPECT_EQ(result.appendText(),
                  "taro@example.co.jp\nhanako@example.jp\nkobayashi@example.jp\n");
        EXPECT_EQ(result.toAppend(), 3u);
        EXPECT_EQ(result.toReplace(), 4u);
    }
}

TEST(RecipientImport, ShapesWithoutAHeader) {
    const struct {
        const char* name;
        std::string bytes;
        std::string field;  // before
        std::string added;
        std::string replaced;
        std::size_t rows;
        std::size_t invalid;
        std::size_t repeats;   // in the file and in the field
        std::string optOut;    // optout.txt's bytes
        std::size_t optedOut;  // rows left out for it
    } cases[] = {
        {"one address per line, LF", "a@x.jp\nb@x.jp\n\nA@X.JP\n", "", "a@x.jp\nb@x.jp\n",
         "a@x.jp\nb@x.jp\n", 3, 0, 1, "", 0},
        {"UTF-16 tab-separated, no header",
         sample::kUtf16LeBom + sample::encode("UTF-16LE", "太郎\tt@x.jp\r\n花子\th@x.jp\r\n"), "",
         "t@x.jp\nh@x.jp\n", "t@x.jp\nh@x.jp\n", 2, 0, 0, "", 0},
        {"addresses in the third column",
         sample::encode("CP932", "1,東京,a@x.jp\r\n2,大阪,b@x.jp\r\n3,京都,なし\r\n"), "",
         "a@x.jp\nb@x.jp\n", "a@x.jp\nb@x.jp\n", 3, 1, 0, "", 0},
        {"an emoji is not ASCII", "😀@x.jp\nok@x.jp\n", "", "ok@x.jp\n", "ok@x.jp\n", 2, 1, 0, "",
         0},
        {"empty file", "", "", "", "", 0, 0, 0, "", 0},
        {"blank spreadsheet rows are no rows", "a,b@x.jp,c\r\n,,\r\n , ,\r\nd,,f\r\n", "",
         "b@x.jp\n", "b@x.jp\n", 2, 1, 0, "", 0},
        {"replacing keeps the addresses the field holds", "new@x.jp\nold@x.jp\nOLD@x.jp\n",
         "old@x.jp\n", "new@x.jp\n", "new@x.jp\nold@x.jp\n", 3, 0, 2, "", 0},
        {"full-width forms become ASCII",
         "ｓｈｉｍｉｚｕ＠ｅｘａｍｐｌｅ．ｊｐ\nｓｈｉｍｉｚｕ@example.jp\n", "",
         "shimizu@example.jp\n", "shimizu@example.jp\n", 2, 0, 1, "", 0},
        // Every form of an opted-out address is left out, each row counted once, none as a
        // repeat, not even of the field; the invalid row stays invalid.
        {"opted-out addresses in any case or width are left out",
         "a@x.jp\nＳＴＯＰ＠ｘ．ｊｐ\nStop@X.jp\n\"Name <stop@x.jp>\"\nstop@x\nb@x.jp\n",
         "stop@x.jp\n", "a@x.jp\nb@x.jp\n", "a@x.jp\nb@x.jp\n", 6, 1, 0,
         "  STOP@x.jp \r\nstop@x\r\n", 3},
        {"an opt-out list of others changes nothing", "a@x.jp\nA@x.jp\n", "a@x.jp\n", "",
         "a@x.jp\n", 2, 0, 2, "other@x.jp\r\n", 0},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const recipients::OptOutList optOuts(c.optOut);
        const auto result = recipients::importBytes(c.bytes, c.field, nullptr, &optOuts);
        ASSERT_EQ(result.status, ImportStatus::Done);
        EXPECT_FALSE(result.header);
        EXPECT_EQ(result.appendText(), c.added);
        EXPECT_EQ(result.replaceText(), c.replaced);
        EXPECT_EQ(recipients::ImportResult(result).takeText(true), c.replaced);
        EXPECT_EQ(result.rowsRead, c.rows);
        EXPECT_EQ(result.invalid, c.invalid);
        EXPECT_EQ(result.fileDuplicates + result.fieldDuplicates, c.repeats);
        EXPECT_EQ(result.optedOut, c.optedOut);
    }
}

TEST(RecipientImport, KeepsTheFirstThousandInvalidRowsAndCountsTheRest) {
    std::string text = "mail\n";
    for (int n = 0; n < 1500; ++n)
        text += "broken" + std::to_string(n) + "\nok" + std::to_string(n) + "@x.jp\n";
    const auto result = recipients::importBytes(text, "");
    EXPECT_EQ(result.invalid, 1500u);
    ASSERT_EQ(result.firstInvalid.size(), recipients::kKeptInvalidRows);
    EXPECT_EQ(result.firstInvalid.front().line, 2u);
    EXPECT_EQ(result.firstInvalid.back().line, 2u + 2 * 999);
    EXPECT_EQ(result.firstInvalid.back().text, "broken999");
    EXPECT_EQ(result.toAppend(), 1500u);
}

TEST(RecipientImport, FilesThatCannotBeReadSayWhy) {
    TempAppFolder folder;
    folder.write("sheet.xlsx", std::string("PK\x03\x04\0\0", 6));
    folder.write("odd.csv", "a@b.jp,\x80\xFF\xFF\n");
    folder.makeFolder("folder.csv");
    const struct {
        const char* file;
        ImportStatus status;
        bool systemError;
    } cases[] = {
        {"missing.csv", ImportStatus::CannotRead, true},
        {"folder.csv", ImportStatus::CannotRead, true},
        {"sheet.xlsx", ImportStatus::NotText, false},
        {"odd.csv", ImportStatus::UnknownEncoding, false},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        const auto result = recipients::importRecipients(folder.file(c.file), "");
        EXPECT_EQ(result.status, c.status);
        EXPECT_EQ(!result.systemError.empty(), c.systemError) << result.systemError;
        EXPECT_TRUE(result.addresses.empty());
    }
}

TEST(RecipientImport, ReadsAFileFromDiskAndStopsWhenCancelled) {
    TempAppFolder folder;
    folder.write("list.csv", sample::encode("CP932", sample::customerCsv(300000)));
    const auto whole = recipients::importRecipients(folder.file("list.csv"), "");
    ASSERT_EQ(whole.status, ImportStatus::Done);
    EXPECT_EQ(whole.toAppend(), 300000u);
    EXPECT_EQ(whole.encoding, recipients::Encoding::Cp932);

    recipients::ImportProgress progress;
    progress.cancel = true;
    const auto cancelled = recipients::importRecipients(folder.file("list.csv"), "", &progress);
    EXPECT_EQ(cancelled.status, ImportStatus::Cancelled);
    EXPECT_TRUE(cancelled.addresses.empty());
}

}  // namespace

namespace {

TEST(RecipientImport, DetectedShiftJisAndEucJpAreReadCellByCell) {
    // Long enough for the detector to name the encoding, so the text is split as it stands
    // and only the cells read are converted.
    std::string body = sample::variedCustomerCsv(300);
    body += "山田,山田 太郎 <yamada@example.jp>,名前付き\r\n";
    body += "全角,ｚｅｎ＠example.jp,全角\r\n";
    // LibreOffice writes ㈱ into EUC-JP as the NEC special row.
    body += "山田,山田 一郎（㈱山田商事） <ichiro.yamada@yamada-shoji.co.jp>,NEC\r\n";
    const struct {
        const char* encoding;
        const char* detected;
        recipients::Encoding used;
        std::string broken;  // an address cell holding bytes the encoding does not
        std::string shown;   // how the report shows it
        AddressFault fault;  // None: the address is taken
    } cases[] = {
        // A CP932 lead byte takes its trail byte into the one mark, as the store shows it.
        {"CP932", "SHIFT_JIS", recipients::Encoding::Cp932, "\x85\x41@example.jp",
         "\uFFFD@example.jp", AddressFault::NonAscii},
        {"EUC-JP-MS", "EUC-JP", recipients::Encoding::EucJp, "\xA4@example.jp", "\uFFFD@example.jp",
         AddressFault::NonAscii},
        // Undecodable in the name: one mark for the whole character, and the address decides.
        {"EUC-JP-MS", "EUC-JP", recipients::Encoding::EucJp,
         "\xAD\xEA\xA9\xA1\xA4\xA2 <taro@example>", "㈱\uFFFDあ <taro@example>",
         AddressFault::NoDomainDot},
        {"EUC-JP-MS", "EUC-JP", recipients::Encoding::EucJp, "\x8F\xA2\xA1\xA4\xA2 <ok@x>",
         "\uFFFDあ <ok@x>", AddressFault::NoDomainDot},
        {"EUC-JP-MS", "EUC-JP", recipients::Encoding::EucJp, "\xA9\xA1 <ok@x.jp>", "",
         AddressFault::None},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::PrintToString(c.broken));
        const std::string bytes = sample::encode(c.encoding, body) + "x," + c.broken + ",x\r\n";
        ASSERT_EQ(recipients::detectCharset(bytes), c.detected);
        const auto result = recipients::importBytes(bytes, "");
        ASSERT_EQ(result.status, ImportStatus::Done);
        EXPECT_EQ(result.encoding, c.used);
        const bool taken = c.fault == AddressFault::None;
        EXPECT_EQ(result.toAppend(), 303u + taken);
        EXPECT_EQ(result.halfWidth, 1u);
        EXPECT_NE(result.addresses.find("\nyamada@example.jp\nzen@example.jp\n"
                                        "ichiro.yamada@yamada-shoji.co.jp\n"),
                  std::string::npos);
        const std::vector<Invalid> invalid = {{305, c.shown, c.fault}};
        EXPECT_EQ(invalidRows(result), taken ? std::vector<Invalid>() : invalid);
    }
}

TEST(RecipientImport, ASecondByteThatLooksLikeAnAtSignDoesNotPickTheColumn) {
    // "ァ" and the ideographic space end in 0x40, the byte of "@", in Shift-JIS.
    std::string body = sample::variedCustomerCsv(300).substr(0, 0);
    for (int n = 0; n < 300; ++n)
        body += "佐藤　ァイ子" + std::to_string(n) + "," +
                (n % 2 ? "a" + std::to_string(n) + "@x.jp" : "") + ",東京都新宿区西新宿二丁目\r\n";
    const std::string bytes = sample::encode("CP932", body);
    ASSERT_EQ(recipients::detectCharset(bytes), "SHIFT_JIS");
    const auto result = recipients::importBytes(bytes, "");
    EXPECT_EQ(result.column, 1u);
    EXPECT_EQ(result.toAppend(), 150u);
}

}  // namespace
