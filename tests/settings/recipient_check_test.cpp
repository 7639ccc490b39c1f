// Checking the recipient field as it stands, and its live count.
#include <QPushButton>
#include <QTableWidget>
#include <QTest>
#include <filesystem>

#include "dialogs/recipient_check_dialog.h"
#include "settings/recipient_count_label.h"
#include "settings_fixture.h"
#include "shell/error_report.h"

namespace {

using Choice = RecipientCheckDialog::Choice;

class RecipientCheckTest : public SettingsWindowTest {
protected:
    RecipientCheckTest() { showActive({}); }
    ~RecipientCheckTest() override { RecipientCheckDialog::setScript(nullptr); }

    // Answers the next check dialog after reading its table; `row` picks a table row first.
    void answerCheck(Choice choice, int row = -1) {
        RecipientCheckDialog::setScript([this, choice, row](RecipientCheckDialog& dialog) {
            ++dialogs;
            summary = dialog.summaryText();
            rows.clear();
            QTableWidget* table = dialog.problemTable();
            for (int r = 0; r < table->rowCount(); ++r)
                rows << table->item(r, 0)->text() + QLatin1Char('|') + table->item(r, 1)->text() +
                            QLatin1Char('|') + table->item(r, 2)->text();
            removeEnabled = dialog.removeButton()->isEnabled();
            if (row >= 0) table->selectRow(row);
            convertEnabled = dialog.convertButton()->isEnabled();
            QPushButton* button = choice == Choice::RemoveDuplicates   ? dialog.removeButton()
                                  : choice == Choice::ConvertFullWidth ? dialog.convertButton()
                                  : choice == Choice::RemoveOptedOut ? dialog.removeOptedOutButton()
                                  : choice == Choice::GoToLine       ? dialog.goToButton()
                                                                     : dialog.closeButton();
            button->click();
        });
    }

    int dialogs = 0;
    QString summary;
    QStringList rows;
    bool removeEnabled = false;
    bool convertEnabled = false;
};

const std::string kField =
    "taro@example.co.jp\n"
    "hanako@example.jp\n"
    "\n"
    "Taro@Example.co.jp\n"
    "not-an-address\n"
    "hanako@example.jp";

TEST_F(RecipientCheckTest, ListsInvalidLinesAndRepeatsWithTheirLineNumbers) {
    form->Memo1->setUtf8Text(kField);
    answerCheck(Choice::Close);
    const auto before = snapshot();
    form->btnCheckRecipientsClick();
    ASSERT_EQ(dialogs, 1);
    EXPECT_EQ(utf8(summary), "宛先：5件\n無効な行：1行\n重複している行：2行");
    EXPECT_EQ(rows, (QStringList{QStringLiteral("4|Taro@Example.co.jp|1行目と重複しています"),
                                 QStringLiteral("5|not-an-address|「@」が1つではありません"),
                                 QStringLiteral("6|hanako@example.jp|2行目と重複しています")}));
    EXPECT_TRUE(removeEnabled);
    EXPECT_EQ(form->Memo1->utf8Text(), kField);  // closing changes nothing
    EXPECT_EQ(snapshot(), before);
}

TEST_F(RecipientCheckTest, RemovingRepeatsKeepsTheFirstAndGoingToALineMovesTheCursor) {
    form->Memo1->setUtf8Text(kField);
    answerCheck(Choice::RemoveDuplicates);
    const auto before = snapshot();
    form->btnCheckRecipientsClick();
    EXPECT_EQ(form->Memo1->utf8Text(), "taro@example.co.jp\nhanako@example.jp\n\nnot-an-address");
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("重複していた2行を削除しました。")));
    EXPECT_EQ(utf8(form->lblRecipientCount->text()), "3件");
    EXPECT_EQ(snapshot(), before);

    answerCheck(Choice::GoToLine, 0);  // the one problem left: line 4
    form->btnCheckRecipientsClick();
    EXPECT_FALSE(removeEnabled);
    int line = -1, index = -1;
    form->Memo1->getCursorPosition(&line, &index);
    EXPECT_EQ(line, 3);
    EXPECT_EQ(QApplication::focusWidget(), form->Memo1);
}

TEST_F(RecipientCheckTest, FullWidthLinesAreListedAndMadeAsciiOnRequest) {
    form->Memo1->setUtf8Text("ｓｈｉｍｉｚｕ＠ｅｘａｍｐｌｅ．ｊｐ\nａ@x\nb@x.jp");
    answerCheck(Choice::ConvertFullWidth);
    const auto before = snapshot();
    form->btnCheckRecipientsClick();
    ASSERT_EQ(dialogs, 1);
    EXPECT_EQ(utf8(summary), "宛先：3件\n無効な行：1行\n重複している行：0行\n全角を含む行：1行");
    EXPECT_EQ(rows,
              (QStringList{
                  QStringLiteral("1|ｓｈｉｍｉｚｕ＠ｅｘａｍｐｌｅ．ｊｐ|全角の文字が含まれています"
                                 "（半角に直せます）"),
                  QStringLiteral("2|ａ@x|ドメインに「.」がありません")}));
    EXPECT_TRUE(convertEnabled);
    EXPECT_EQ(form->Memo1->utf8Text(), "shimizu@example.jp\nａ@x\nb@x.jp");
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("全角を半角に直しました: 1件\n")))
        << utf8(lastBox().text);
    EXPECT_EQ(snapshot(), before);
}

TEST_F(RecipientCheckTest, OptedOutLinesAreListedAndRemovedAndAnUnreadableListStopsTheCheck) {
    // Nothing else is wrong: the dialog shows for the opted-out lines alone.
    const std::string field = "a@x.jp\r\nSTOP@x.jp\n  b@x.jp \rgo@x.jp";
    form->Memo1->setUtf8Text(field);
    app.write("optout.txt", "stop@x.jp\r\nGO@x.jp\r\n");
    answerCheck(Choice::RemoveOptedOut);
    const auto before = snapshot();
    form->btnCheckRecipientsClick();
    EXPECT_EQ(utf8(summary),
              "宛先：4件\n無効な行：0行\n重複している行：0行\n配信停止リストのアドレス：2行");
    EXPECT_EQ(rows, (QStringList{QStringLiteral("2|STOP@x.jp|配信停止リストのアドレス"),
                                 QStringLiteral("4|go@x.jp|配信停止リストのアドレス")}));
    EXPECT_EQ(form->Memo1->utf8Text(), "a@x.jp\r\n  b@x.jp ");
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral("配信停止リストのアドレスを2行削除しました。保存するには"
                                         "「ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新」を押してください。")});
    EXPECT_EQ(snapshot(), before);

    std::filesystem::remove(app.file("optout.txt"));
    app.makeFolder("optout.txt");
    form->Memo1->setUtf8Text(field);
    dialogs = 0;
    shell::runHandler([&] { form->btnCheckRecipientsClick(); });
    EXPECT_EQ(dialogs, 0);
    EXPECT_EQ(lastBox().style, shell::kStyleError);
    EXPECT_TRUE(lastBox().text.contains(QString::fromStdString(app.file("optout.txt"))));
    EXPECT_EQ(form->Memo1->utf8Text(), field);
}

TEST_F(RecipientCheckTest, AFieldWithoutProblemsSaysSo) {
    form->Memo1->setUtf8Text("a@example.com\nb@example.com\n");
    answerCheck(Choice::Close);
    form->btnCheckRecipientsClick();
    EXPECT_EQ(dialogs, 0);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(utf8(lastBox().text), "宛先に問題は見つかりませんでした。（2件）");
    EXPECT_EQ(lastBox().style, shell::kStyleInformation);
}

TEST_F(RecipientCheckTest, TheCountFollowsTheFieldOnceTypingPauses) {
    RecipientCountLabel* count = form->lblRecipientCount;
    EXPECT_EQ(utf8(count->text()), "0件");
    form->Memo1->setFocus();
    QTest::keyClicks(form->Memo1, QStringLiteral("a@x.jp"));
    QTest::keyClick(form->Memo1, Qt::Key_Return);
    QTest::keyClick(form->Memo1, Qt::Key_Return);
    QTest::keyClicks(form->Memo1, QStringLiteral(" "));
    EXPECT_TRUE(count->pending());
    EXPECT_EQ(utf8(count->text()), "0件");  // not while typing
    EXPECT_TRUE(QTest::qWaitFor([&] { return !count->pending(); }, 5000));
    EXPECT_EQ(utf8(count->text()), "2件");  // a line of one blank is stored, so it counts

    std::string big;
    for (int n = 0; n < 1234567; ++n) big += "u" + std::to_string(n) + "@x.jp\n";
    form->Memo1->setUtf8Text(big);
    EXPECT_TRUE(QTest::qWaitFor([&] { return !count->pending(); }, 5000));
    EXPECT_EQ(utf8(count->text()), "1,234,567件");
}

}  // namespace
