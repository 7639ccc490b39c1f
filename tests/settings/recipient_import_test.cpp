// Reading recipients from a file into the recipient field: the report, the three choices,
// files that cannot be read, and cancelling a long read.
#include <QApplication>
#include <QClipboard>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <QTimer>
#include <filesystem>

#include "dialogs/recipient_report_dialog.h"
#include "settings/recipient_count_label.h"
#include "settings_fixture.h"
#include "shell/error_report.h"

namespace {

using Choice = RecipientReportDialog::Choice;

// Excel's "CSV (カンマ区切り)" of a customer list, as UTF-8 text; the tests store it in
// the encoding under test.
const std::string kExcelList =
    "氏名,メールアドレス,会社\r\n"
    "山田太郎,taro@example.co.jp,山田商事\r\n"
    "\"鈴木, 花子\",\"Hanako <hanako@example.jp>\",\"本社\r\n営業部\"\r\n"
    "佐藤一郎,TARO@example.co.jp,重複\r\n"
    "高橋,takahashi@example,ドメイン不備\r\n"
    "田中,old@example.com,入力済み\r\n"
    "渡辺,wata nabe@example.jp,空白\r\n"
    "小林,kobayashi@example.jp,\r\n";

// A window with project "P" loaded and group 0 showing one recipient already, and the
// report dialog answered by a script that records what it showed.
class RecipientImportTest : public SettingsWindowTest {
protected:
    RecipientImportTest() {
        writeIni("P", {{"GROUPCOUNT", "1"}});
        writeProjectFile("P", "Group-0.txt", sj("顧客") + "\r\n");
        writeProjectFile("P", "list.txt", "old@example.com,0\r\n");
        load({"P"}, 0);
    }
    ~RecipientImportTest() override { RecipientReportDialog::setScript(nullptr); }

    // Answers the next report with the button of the choice.
    void answerReport(Choice choice) {
        RecipientReportDialog::setScript([this, choice](RecipientReportDialog& dialog) {
            ++reports;
            summary = dialog.summaryText();
            copied = dialog.invalidRowsText();
            appendEnabled = dialog.appendButton()->isEnabled();
            if (QTableWidget* table = dialog.invalidTable()) {
                invalidRows = table->rowCount();
                firstInvalid = table->item(0, 0)->text() + QLatin1Char('|') +
                               table->item(0, 1)->text() + QLatin1Char('|') +
                               table->item(0, 2)->text();
            }
            QPushButton* button = choice == Choice::Append    ? dialog.appendButton()
                                  : choice == Choice::Replace ? dialog.replaceButton()
                                                              : dialog.cancelButton();
            button->click();
        });
    }

    // Input files live outside the application folder, so snapshots see only the store.
    void importBytes(const std::string& bytes, const std::string& name = "list.csv") {
        files.write(name, bytes);
        form->importRecipientsFrom(QString::fromStdString(files.file(name)));
    }

    TempAppFolder files;
    int reports = 0;
    QString summary;
    QString copied;
    bool appendEnabled = false;
    int invalidRows = 0;
    QString firstInvalid;
};

TEST_F(RecipientImportTest, AnExcelListAppendedThenSavedHoldsEveryValidAddressOnce) {
    const struct {
        const char* name;
        std::string bytes;
        const char* encoding;
    } files[] = {
        {"Shift-JIS", sj(kExcelList), "文字コード：Shift-JIS（CP932）"},
        {"UTF-8 with BOM", "\xEF\xBB\xBF" + kExcelList, "文字コード：UTF-8（BOM付き）"},
    };
    for (const auto& file : files) {
        SCOPED_TRACE(file.name);
        form->Memo1->setUtf8Text("old@example.com");
        answerReport(Choice::Append);
        reports = 0;
        boxes.clear();
        const auto before = snapshot();
        importBytes(file.bytes);
        ASSERT_EQ(reports, 1);
        EXPECT_TRUE(boxes.calls().empty());
        EXPECT_TRUE(summary.contains(QString::fromUtf8(file.encoding))) << utf8(summary);
        for (const char* line :
             {"宛先の列：2列目（見出しで判定）", "読み込んだ行：7行",
              "追加する宛先：3件（置換する場合は 4件）",
              "重複で除いた宛先：2件（ファイル内 1件、入力済み 1件）", "無効な行：2行"})
            EXPECT_TRUE(summary.contains(QString::fromUtf8(line))) << line;
        EXPECT_EQ(invalidRows, 2);
        EXPECT_EQ(utf8(firstInvalid), "6|takahashi@example|ドメインに「.」がありません");
        EXPECT_EQ(utf8(copied),
                  "行\t内容\t理由\n6\ttakahashi@example\tドメインに「.」がありません\n"
                  "8\twata nabe@example.jp\t空白が含まれています\n");
        EXPECT_EQ(form->Memo1->utf8Text(),
                  "old@example.com\ntaro@example.co.jp\nhanako@example.jp\nkobayashi@example.jp");
        EXPECT_EQ(snapshot(), before);  // only the field changed
        form->lblRecipientCount->refresh();
        EXPECT_EQ(utf8(form->lblRecipientCount->text()), "4件");
    }

    boxes.clear();
    form->SpeedButton5Click();
    EXPECT_EQ(app.read("Mail/P/list.txt"),
              "old@example.com,0\r\ntaro@example.co.jp,0\r\nhanako@example.jp,0\r\n"
              "kobayashi@example.jp,0\r\n");
}

TEST_F(RecipientImportTest, AppendReplaceAndCancelEachDoWhatTheySay) {
    const std::string file = "new@example.com\nold@example.com\n";
    const struct {
        Choice choice;
        std::string field;  // before
        std::string after;
    } cases[] = {
        {Choice::Append, "old@example.com", "old@example.com\nnew@example.com"},
        {Choice::Append, "old@example.com\n", "old@example.com\nnew@example.com"},
        {Choice::Append, "", "new@example.com\nold@example.com"},
        {Choice::Replace, "old@example.com\nkeep@example.com", "new@example.com\nold@example.com"},
        {Choice::Cancel, "old@example.com\nkeep@example.com", "old@example.com\nkeep@example.com"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.field + " / " + std::to_string(int(c.choice)));
        form->Memo1->setUtf8Text(c.field);
        answerReport(c.choice);
        const auto before = snapshot();
        importBytes(file);
        EXPECT_EQ(form->Memo1->utf8Text(), c.after);
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(RecipientImportTest, TheReportSaysHowManyFullWidthAddressesWereMadeAscii) {
    form->Memo1->setUtf8Text("old@example.com");
    answerReport(Choice::Append);
    importBytes("ｓｈｉｍｉｚｕ＠ｅｘａｍｐｌｅ．ｊｐ\nｓａｔｏ@example.jp\n");
    EXPECT_TRUE(summary.endsWith(QStringLiteral("\n全角を半角に直しました: 2件"))) << utf8(summary);
    EXPECT_EQ(form->Memo1->utf8Text(), "old@example.com\nshimizu@example.jp\nsato@example.jp");
}

TEST_F(RecipientImportTest, OptedOutAddressesAreLeftOutAndAnUnreadableListStopsTheImport) {
    form->Memo1->setUtf8Text("old@example.com");
    app.write("optout.txt", "Sato@Example.jp\r\n");
    answerReport(Choice::Append);
    importBytes("ｓａｔｏ@example.jp\nnew@example.jp\nsato@example.jp\n");
    EXPECT_TRUE(summary.contains(QStringLiteral("\n配信停止 2件"))) << utf8(summary);
    EXPECT_EQ(form->Memo1->utf8Text(), "old@example.com\nnew@example.jp");

    std::filesystem::remove(app.file("optout.txt"));
    app.makeFolder("optout.txt");
    reports = 0;
    const auto before = snapshot();
    shell::runHandler([&] { importBytes("other@example.jp\n"); });
    EXPECT_EQ(reports, 0);
    EXPECT_EQ(lastBox().style, shell::kStyleError);
    EXPECT_TRUE(lastBox().text.contains(QString::fromStdString(app.file("optout.txt"))));
    EXPECT_EQ(form->Memo1->utf8Text(), "old@example.com\nnew@example.jp");
    EXPECT_EQ(snapshot(), before);
}

TEST_F(RecipientImportTest, AFileThatCannotBeReadIsNamedAndChangesNothing) {
    files.makeFolder("folder.csv");
    files.write("book.xlsx", std::string("PK\x03\x04\x14\x00\x06\x00", 8));
    files.write("odd.csv", "a@b.jp,\x80\xFF\xFF\r\n");
    const struct {
        const char* file;
        const char* says;
    } cases[] = {
        {"missing.csv", "を読み込めません。"},
        {"folder.csv", "を読み込めません。"},
        {"book.xlsx", "はテキストファイルではありません。"},
        {"odd.csv", "の文字コードを判別できません。"},
    };
    answerReport(Choice::Append);
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        form->Memo1->setUtf8Text("old@example.com");
        boxes.clear();
        reports = 0;
        const auto before = snapshot();
        form->importRecipientsFrom(QString::fromStdString(files.file(c.file)));
        EXPECT_EQ(reports, 0);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(lastBox().style, shell::kStyleWarning);
        EXPECT_EQ(lastBox().caption, shell::kCaption);
        EXPECT_TRUE(
            lastBox().text.contains(QString::fromStdString("「" + files.file(c.file) + "」")))
            << utf8(lastBox().text);
        EXPECT_TRUE(lastBox().text.contains(QString::fromUtf8(c.says))) << utf8(lastBox().text);
        EXPECT_EQ(form->Memo1->utf8Text(), "old@example.com");
        EXPECT_EQ(snapshot(), before);
    }
}

TEST_F(RecipientImportTest, TheReportKeepsTheFirstThousandInvalidRowsAndCopiesThem) {
    std::string text;
    for (int n = 1; n <= 1200; ++n) text += "bad" + std::to_string(n) + "\n";
    answerReport(Choice::Cancel);
    importBytes(text);
    EXPECT_EQ(invalidRows, 1000);
    EXPECT_FALSE(appendEnabled);
    EXPECT_TRUE(
        copied.endsWith(QStringLiteral("1000\tbad1000\t「@」が1つではありません\n"
                                       "ほか 200行は表示していません。\n")))
        << utf8(copied.right(120));
    EXPECT_EQ(copied.count(QLatin1Char('\n')), 1002);

    // The dialog's own copy button puts the same text on the clipboard.
    RecipientReportDialog::setScript([](RecipientReportDialog& dialog) {
        dialog.copyInvalidRows();
        dialog.cancelButton()->click();
    });
    importBytes(text);
    EXPECT_EQ(QApplication::clipboard()->text(), copied);
}

TEST_F(RecipientImportTest, CancellingALongReadChangesNothing) {
    std::string text = sj("氏名,メールアドレス\r\n");
    for (int n = 0; n < 400000; ++n)
        text += sj("山田太郎") + ",user" + std::to_string(n) + "@example.co.jp\r\n";
    ASSERT_GT(qint64(text.size()), 4 * 1024 * 1024);
    form->Memo1->setUtf8Text("old@example.com");
    answerReport(Choice::Append);
    bool sawProgress = false;
    QTimer canceller;
    QObject::connect(&canceller, &QTimer::timeout, [&] {
        for (QWidget* widget : QApplication::topLevelWidgets()) {
            if (auto* progress = qobject_cast<QProgressDialog*>(widget);
                progress && progress->isVisible()) {
                sawProgress = true;
                // As the user does: the dialog's own button.
                if (auto* button = progress->findChild<QPushButton*>()) button->click();
            }
        }
    });
    canceller.start(0);
    const auto before = snapshot();
    importBytes(text);
    canceller.stop();
    EXPECT_TRUE(sawProgress);
    EXPECT_EQ(reports, 0);
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_TRUE(form->Memo1->utf8Text() == "old@example.com");  // no million-line printout
    EXPECT_EQ(snapshot(), before);

    // Left alone, the same file is read whole.
    answerReport(Choice::Replace);
    importBytes(text);
    EXPECT_EQ(reports, 1);
    // A list this large goes in as a background load.
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Memo1->isLoading(); }, 10000));
    EXPECT_EQ(form->Memo1->lines(), 400000);
}

}  // namespace
