// The opt-out list in the window: the group save and the batch file take opted-out lines
// out on OK only, an unreadable list stops them, and the dialog keeps the file's bytes.
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <filesystem>
#include <fstream>

#include "dialogs/optout_dialog.h"
#include "dialogs/optout_model.h"
#include "settings_fixture.h"
#include "shell/message_box.h"
#include "support/address_key_cases.h"
#include "support/optout_file_forms.h"

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

TEST_F(OptOutActionsTest, TheDialogAddsOnlyCheckedNewAddressesAndWritesTheToolsForm) {
    app.write("optout.txt", "Gone@Example.com\r\n");
    OptOutDialog dialog(app.file("optout.txt"));
    EXPECT_EQ(utf8(dialog.countLabel()->text()), "1件");
    dialog.addAddresses(QStringLiteral(
        "new@example.com\ngone@example.COM\nｆｕｌｌ＠example.com\nnot-an-address\n"));
    EXPECT_EQ(dialog.count(), 3u);
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("4 行目: not-an-address（")))
        << utf8(lastBox().text);
    boxes.clear();
    EXPECT_TRUE(dialog.save());
    EXPECT_TRUE(boxes.calls().empty());  // the tool's own form: nothing to ask
    const std::string saved = "Gone@Example.com\r\nnew@example.com\r\nfull@example.com\r\n";
    EXPECT_EQ(app.read("optout.txt"), saved);
    EXPECT_EQ(app.mode("optout.txt") & 0777, 0600u);
    EXPECT_FALSE(app.exists("optout.txt.bak"));

    dialog.exportTo(QString::fromStdString(app.file("export.csv")));
    EXPECT_EQ(app.read("export.csv"), sj("メールアドレス") + "\r\n" + saved);
}

// One row per form of the file: both gates keep its addresses out of list.txt, or stop on
// it naming the line, with nothing written.
TEST_F(OptOutActionsTest, EveryFormOfTheFileIsKeptOutOrStopsBothGates) {
    const std::string listed =
        "keep@example.com,1\r\n" + sj("鈴木@例え.jp,1\r\n") + "Stop.Two@example.com,1\r\n";
    for (const OptOutFileForm& shape : optOutFileForms()) {
        SCOPED_TRACE(shape.name);
        app.write("optout.txt", shape.bytes);
        app.write("Mail/P/list.txt", listed);
        std::filesystem::remove(app.file("BAT/P.bat"));
        form->Memo1->setUtf8Text(
            "a@example.com\nSTOP.ONE@EXAMPLE.COM\n山田@例え.jp\nb@example.com\n");
        const auto before = snapshot();
        for (QToolButton* gate : {form->SpeedButton5, form->SpeedButton7}) {
            boxes.clear();
            if (shape.refusedLine > 0) boxes.answer(shell::kResultCancel);  // not the dialog
            gate->click();
            if (shape.refusedLine == 0) continue;
            ASSERT_EQ(boxes.calls().size(), 1u);
            const std::string text = utf8(lastBox().text);
            EXPECT_EQ(text.rfind("配信停止リスト「" + app.file("optout.txt") + "」", 0), 0u)
                << text;
            EXPECT_NE(text.find(std::to_string(shape.refusedLine) + "行目: " + shape.refusedText),
                      std::string::npos)
                << text;
            EXPECT_EQ(snapshot(), before);
        }
        if (shape.refusedLine > 0) continue;
        const bool wide = !shape.alsoRead.empty();  // the file also lists both Japanese ones
        EXPECT_EQ(list(), "keep@example.com,1\r\n" + (wide ? "" : sj("鈴木@例え.jp,1\r\n")) +
                              "a@example.com,0\r\n" + (wide ? "" : sj("山田@例え.jp,0\r\n")) +
                              "b@example.com,0\r\n");
        EXPECT_TRUE(app.exists("BAT/P.bat"));
    }
}

TEST_F(OptOutActionsTest, ARefusedListOpensTheDialogOnItsMarkedLines) {
    const OptOutFileForm shape = optOutFileForms()[7];
    ASSERT_EQ(shape.refusedLine, 2u);
    app.write("optout.txt", shape.bytes);
    bool shown = false;
    OptOutDialog::setScript([&](OptOutDialog& dialog) {
        shown = true;
        EXPECT_EQ(dialog.count(), 2u);
        const QModelIndex first = dialog.listView()->currentIndex();
        EXPECT_EQ(first.row(), 0);
        EXPECT_EQ(utf8(first.data().toString()),
                  "⚠ 読み取れない行 2行目: 退会希望（アドレス不明）（「@」が1つではありません）");
        dialog.model()->removeRows({0});
        // Replacing a file that is not in the tool's form is asked first; キャンセル keeps it.
        boxes.answer(shell::kResultCancel);
        EXPECT_FALSE(dialog.save());
        EXPECT_EQ(app.read("optout.txt"), shape.bytes);
        EXPECT_TRUE(dialog.save());
        EXPECT_TRUE(utf8(lastBox().text).find("optout.txt.bak") != std::string::npos);
    });
    form->SpeedButton7->click();  // OK: open the list
    OptOutDialog::setScript(nullptr);
    EXPECT_TRUE(shown);
    EXPECT_EQ(app.read("optout.txt"), "stop.one@example.com\r\nstop.two@example.com\r\n");
    EXPECT_EQ(app.read("optout.txt.bak"), shape.bytes);
    EXPECT_EQ(app.mode("optout.txt.bak") & 0777, 0600u);
    EXPECT_FALSE(app.exists("BAT/P.bat"));
}

// Another program adds to the file while the dialog is open, by appending or by putting a
// new file in its place; the dialog's save keeps what it added.
TEST_F(OptOutActionsTest, TheDialogKeepsAnotherProgramsAdditions) {
    const std::string opened = "a@example.com\r\nb@example.com\r\n";
    for (const bool byRename : {false, true}) {
        SCOPED_TRACE(byRename ? "replaced by rename" : "appended");
        app.write("optout.txt", opened);
        OptOutDialog dialog(app.file("optout.txt"));
        dialog.addAddresses(QStringLiteral("new@example.com"));
        dialog.model()->removeRows({0, 1});  // a@ and b@
        const std::string now = opened + "other@example.com\r\nB@example.com\r\n";
        if (byRename) {
            app.write("optout.new", now);
            std::filesystem::rename(app.file("optout.new"), app.file("optout.txt"));
        } else {
            std::ofstream(app.file("optout.txt"), std::ios::app | std::ios::binary)
                << "other@example.com\r\nB@example.com\r\n";
        }
        boxes.clear();
        EXPECT_TRUE(dialog.save());
        EXPECT_EQ(app.read("optout.txt"),
                  "b@example.com\r\nother@example.com\r\nnew@example.com\r\n");
        ASSERT_EQ(boxes.calls().size(), 1u);
        const std::string told = utf8(lastBox().text);
        EXPECT_NE(told.find("ほかのプログラムが追加した 2 件も残しました"), std::string::npos)
            << told;
        EXPECT_NE(told.find("追加し直したため、リストに残しています。\nb@example.com"),
                  std::string::npos)
            << told;
    }
}

// The dialog's rows and filter compare addresses as the gates do.
TEST_F(OptOutActionsTest, TheDialogComparesAddressesByTheirKey) {
    for (const AddressKeyCase& c : kAddressKeyCases) {
        SCOPED_TRACE(c.listed + " / " + c.other);
        app.write("optout.txt", "");
        OptOutDialog dialog(app.file("optout.txt"));
        ASSERT_TRUE(dialog.model()->add(QString::fromStdString(c.listed)));
        EXPECT_EQ(dialog.model()->add(QString::fromStdString(c.other)), !c.same);
        dialog.filterField()->setText(QString::fromStdString(c.other));
        if (c.same) {
            EXPECT_EQ(dialog.listView()->model()->rowCount(), 1);
        }
    }
}

}  // namespace
