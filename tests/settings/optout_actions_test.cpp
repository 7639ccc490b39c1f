// The opt-out list in the window: the group save and the batch file take opted-out lines
// out on OK only, an unreadable list stops them, and the dialog keeps the file's bytes.
#include <QLabel>
#include <filesystem>

#include "dialogs/optout_dialog.h"
#include "settings_fixture.h"
#include "shell/message_box.h"

namespace {

// Project "P" with two groups; optout.txt names two addresses, in other case and full width.
class OptOutActionsTest : public SettingsWindowTest {
protected:
    OptOutActionsTest() {
        writeIni("P", {{"GROUPCOUNT", "2"}});
        writeProjectFile("P", "list.txt", kList);
        app.write("optout.txt",
                  "Gone@Example.com\r\n" + sj("ｆｕｌｌ＠ｅｘａｍｐｌｅ．ｃｏｍ") + "\r\n");
        load({"P"}, 0);
        boxes.clear();
    }
    std::string list() const { return app.read("Mail/P/list.txt"); }

    static constexpr const char* kList =
        "keep@example.com,0\r\n GONE@example.com ,0\r\n\"full@example.com\",1\r\n"
        "other@example.com,1\r\nkeep@example.com,1";
};

TEST_F(OptOutActionsTest, SavingAGroupTakesOptedOutLinesOutOnOkOnly) {
    form->Memo1->setUtf8Text(
        "a@example.com\ngone@EXAMPLE.com\nb@example.com\nｆｕｌｌ@example.com\n");
    const auto before = snapshot();
    boxes.answer(shell::kResultCancel);
    form->SpeedButton5Click();
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral(
                  "配信停止リストのアドレスが 2件 含まれています（2行目 "
                  "gone@EXAMPLE.com、4行目 ｆｕｌｌ@example.com）。除いて保存しますか？")});
    EXPECT_EQ(snapshot(), before);

    form->SpeedButton5Click();  // OK
    EXPECT_EQ(utf8(form->Memo1->text()), "a@example.com\nb@example.com\n");
    EXPECT_EQ(list(),
              "\"full@example.com\",1\r\nother@example.com,1\r\nkeep@example.com,1\r\n"
              "a@example.com,0\r\nb@example.com,0\r\n");
}

TEST_F(OptOutActionsTest, TheBatchFileRemovesExactlyTheOptedOutLinesOnOkOnly) {
    boxes.answer(shell::kResultCancel);
    form->SpeedButton7Click();
    EXPECT_EQ(boxTexts(),
              QStringList{QStringLiteral(
                  "送信先リスト（list.txt）に配信停止リストのアドレスが 2件 含まれています"
                  "（グループ1: 1件、グループ2: "
                  "1件）。\n\nリストから除いてバッチファイルを出力しますか？")});
    EXPECT_EQ(list(), kList);
    EXPECT_FALSE(app.exists("BAT/P.bat"));

    form->SpeedButton7Click();  // OK
    EXPECT_EQ(list(), "keep@example.com,0\r\nother@example.com,1\r\nkeep@example.com,1");
    EXPECT_TRUE(app.exists("BAT/P.bat"));
}

TEST_F(OptOutActionsTest, AnUnreadableListStopsEveryGateNamingItsFile) {
    std::filesystem::remove(app.file("optout.txt"));
    app.makeFolder("optout.txt");  // there, but no list can be read from it
    form->Memo1->setUtf8Text("gone@example.com\n");
    const auto before = snapshot();
    for (QToolButton* gate : {form->SpeedButton5, form->SpeedButton7, form->btnOptOut}) {
        boxes.clear();
        gate->click();  // through the window's error report
        ASSERT_EQ(boxes.calls().size(), 1u) << utf8(gate->text());
        EXPECT_EQ(utf8(lastBox().text), "ファイル " + app.file("optout.txt") + " は開けません.");
        EXPECT_EQ(lastBox().style, shell::kStyleError);
    }
    EXPECT_EQ(snapshot(), before);
}

TEST_F(OptOutActionsTest, TheDialogKeepsTheFileBytesAndAddsOnlyCheckedNewAddresses) {
    // A hand-edited line the tool would not take itself stays exactly as it was.
    const std::string old = sj("①㈱@example.jp") + "\r\nGone@Example.com\r\n";
    app.write("optout.txt", old);
    OptOutDialog dialog(app.file("optout.txt"));
    EXPECT_EQ(utf8(dialog.countLabel()->text()), "2件");
    dialog.addAddresses(QStringLiteral(
        "new@example.com\ngone@example.COM\nｆｕｌｌ＠example.com\nnot-an-address\n"));
    EXPECT_EQ(dialog.count(), 4u);
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("4 行目: not-an-address（")))
        << utf8(lastBox().text);
    dialog.save();
    EXPECT_EQ(app.read("optout.txt"), old + "new@example.com\r\nfull@example.com\r\n");
    EXPECT_EQ(app.mode("optout.txt") & 0777, 0600u);

    dialog.exportTo(QString::fromStdString(app.file("export.csv")));
    EXPECT_EQ(app.read("export.csv"),
              sj("メールアドレス") + "\r\n" + old + "new@example.com\r\nfull@example.com\r\n");
}

}  // namespace
