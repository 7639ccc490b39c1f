#include <QApplication>
#include <QTest>
#include <QThread>
#include <atomic>

#include "settings_fixture.h"
#include "shell/message_box.h"

namespace {

// A project "P" with `groups` groups, each with a name, subject and body, and a list.txt
// holding one recipient per group; loaded with group 0 shown.
class GroupActionsTest : public SettingsWindowTest {
protected:
    void loadGroups(int groups, const std::string& count = "") {
        writeIni("P", {{"GROUPCOUNT", count.empty() ? std::to_string(groups) : count}});
        std::string list;
        for (int n = 0; n < groups; ++n) {
            const std::string g = std::to_string(n);
            writeProjectFile("P", "Group-" + g + ".txt", sj("組" + g) + "\r\n");
            writeProjectFile("P", "Subject-" + g + ".txt", "s" + g + "\r\n");
            writeProjectFile("P", "Body-" + g + ".txt", "b" + g);
            list += "r" + g + "@example.com," + g + "\r\n";
        }
        writeProjectFile("P", "list.txt", list);
        load({"P"}, 0);
    }
    std::string file(const std::string& name) const { return app.read("Mail/P/" + name); }
    std::string groupCountLine() const {
        const std::string ini = file("Fendrival.ini");
        const auto at = ini.find("GROUPCOUNT=");
        return ini.substr(at, ini.find('\r', at) - at);
    }
};

TEST_F(GroupActionsTest, EveryActionRefusesWithoutAProjectOrWithAnUnusableCountAndWritesNothing) {
    struct Case {
        const char* name;
        std::string count;  // "" leaves the project unpicked
        const char* held;   // the held count afterwards, when not the loaded one
        void (TForm3::*action)();
        const char* warning;
    };
    const char* noProject = "プロジェクト名を正しく指定してください。";
    const char* badCount = "メールグループ数（GROUPCOUNT）が正しくないため";
    const char* lastOne = "メールグループをこれ以上削除できません。";
    const Case cases[] = {
        {"add, no project", "", nullptr, &TForm3::SpeedButton4Click, noProject},
        {"save, no project", "", nullptr, &TForm3::SpeedButton5Click, noProject},
        {"delete, no project", "", nullptr, &TForm3::SpeedButton6Click, noProject},
        {"add, count abc", "abc", nullptr, &TForm3::SpeedButton4Click, badCount},
        {"add, count 0", "0", nullptr, &TForm3::SpeedButton4Click, badCount},
        {"delete, count 100000", "100000", nullptr, &TForm3::SpeedButton6Click, badCount},
        {"delete, count -3", "-3", nullptr, &TForm3::SpeedButton6Click, badCount},
        {"delete, count 1", "1", nullptr, &TForm3::SpeedButton6Click, lastOne},
        {"delete, count 01", "01", nullptr, &TForm3::SpeedButton6Click, lastOne},
        {"add, at the most groups", "2", "99999", &TForm3::SpeedButton4Click,
         "メールグループはこれ以上追加できません。"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        writeIni("P", {{"GROUPCOUNT", c.count}});
        writeProjectFile("P", "list.txt", "");
        showActive({"P"});
        if (!c.count.empty()) pick(form->cmbProject, 0);
        if (c.held) form->heldGroupCount = c.held;
        if (c.count == "100000") {
            EXPECT_EQ(form->cmbMailGroup->count(), 0);
        }  // never filled
        form->txtMailGroup->setText(QStringLiteral("新規"));
        expectRefused(c.action, c.warning);
        if (c.count.empty()) {
            EXPECT_EQ(QApplication::focusWidget(), form->cmbProject);
        }
    }
}

TEST_F(GroupActionsTest, SaveCheckAndImportRefuseWhileTheListLoadsAndWriteNothing) {
    loadGroups(2);
    std::atomic<bool> release{false};
    form->Memo1->loadUtf8TextInBackground([&release] {
        while (!release) QThread::msleep(5);
        return std::string("late@example.com\n");
    });
    const NamedAction cases[] = {
        {"save", &TForm3::SpeedButton5Click},
        {"check", &TForm3::btnCheckRecipientsClick},
        {"import", &TForm3::btnImportClick},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        expectRefused(c.action,
                      "宛先リストを読み込み中です。読み込みが終わってから、"
                      "もう一度操作してください。");
        EXPECT_TRUE(form->Memo1->isLoading());
    }
    release = true;
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Memo1->isLoading(); }, 5000));
    EXPECT_EQ(form->Memo1->utf8Text(), "late@example.com\n");
}

TEST_F(GroupActionsTest, AddingAppendsTheGroupWithoutMovingTheSelection) {
    loadGroups(3);
    pick(form->cmbMailGroup, 1);
    boxes.clear();
    form->txtMailGroup->setText(QStringLiteral(" 新しい組 "));
    form->SpeedButton4Click();
    EXPECT_EQ(
        boxTexts(),
        (QStringList{QStringLiteral("「 新しい組 」メールグループを追加します。よろしいですか？"),
                     QStringLiteral("メールグループを追加しました。")}));
    EXPECT_EQ(boxes.calls()[1].style, shell::kStyleInformation);
    EXPECT_EQ(groupCountLine(), "GROUPCOUNT=4");
    EXPECT_EQ(file("Group-3.txt"), sj("新しい組") + "\r\n");
    EXPECT_EQ(form->heldGroupCount, "4");
    EXPECT_EQ(form->cmbMailGroup->count(), 4);
    EXPECT_EQ(form->cmbMailGroup->itemText(3), "4");
    EXPECT_EQ(form->cmbMailGroup->currentIndex(), 1);
    EXPECT_TRUE(form->txtMailGroup->text().isEmpty());
    EXPECT_FALSE(app.exists("Mail/P/Subject-3.txt"));

    // Blanks are a name; it is stored trimmed, as an empty line.
    form->txtMailGroup->setText(QStringLiteral("   "));
    form->SpeedButton4Click();
    EXPECT_EQ(file("Group-4.txt"), "\r\n");

    // Empty, or cancelled: nothing written.
    boxes.clear();
    const auto before = snapshot();
    form->SpeedButton4Click();
    EXPECT_EQ(utf8(lastBox().text), "メールグループとして追加できません。");
    EXPECT_EQ(QApplication::focusWidget(), form->txtMailGroup);
    form->txtMailGroup->setText(QStringLiteral("x"));
    boxes.answer(shell::kResultCancel);
    form->SpeedButton4Click();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(form->heldGroupCount, "5");
}

TEST_F(GroupActionsTest, SavingRebuildsTheListWithTheShownGroupLast) {
    loadGroups(2);
    writeProjectFile("P", "list.txt", "a,0\r\nold,1\r\n\"q,x\",0\r\nb,0\r\nc d,0\r\n");
    pick(form->cmbMailGroup, 1);
    boxes.clear();
    form->Memo1->setUtf8Text("X\n\n Y \n");
    form->txtMailSubject->setText(QStringLiteral("件名 "));
    form->txtMailBody->setUtf8Text("一行目\n\n三行目\n");
    form->SpeedButton5Click();
    EXPECT_EQ(
        boxTexts(),
        (QStringList{
            QStringLiteral("「組1」メールグループとして保存します。よろしいですか？"),
            QStringLiteral(
                "「組1」グループとしてメール送信先リスト、件名、メール本文を保存しました。")}));
    // Two fields each, so kept: a quoted recipient with a comma; three fields: dropped.
    EXPECT_EQ(file("list.txt"), "a,0\r\n\"q,x\",0\r\nb,0\r\nX,1\r\n Y ,1\r\n");
    EXPECT_EQ(file("Subject-1.txt"), sj("件名 ") + "\r\n");
    EXPECT_EQ(file("Body-1.txt"), sj("一行目\r\n\r\n三行目\r\n"));
    EXPECT_EQ(file("Group-1.txt"), sj("組1") + "\r\n");
}

TEST_F(GroupActionsTest, SavingRefusesWhatWouldNotReadBackAndWritesNothing) {
    loadGroups(2);
    struct Case {
        const char* memo;
        const char* subject;
        const char* expected;  // start of the warning
        int line;              // cursor line in the recipient field, -1 when not looked at
    };
    const Case cases[] = {
        {"ok@example.com\n\na b@example.com\nx,y@example.com\n\"q@example.com\n", "s",
         "ﾒｰﾙ送信先ﾘｽﾄの 3 行は", 2},
        {"ok@example.com\nx,y@example.com\n", "s", "ﾒｰﾙ送信先ﾘｽﾄの 1 行は", 1},
        {"ok@example.com\n😀@example.com\n", "s", "「ﾒｰﾙ送信先ﾘｽﾄ」の 2 行目に Shift-JIS", 1},
        {"ok@example.com\n", "件名😀", "「ﾒｰﾙ件名」に Shift-JIS で保存できない文字「😀」", -1},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.memo);
        form->Memo1->setUtf8Text(c.memo);
        form->txtMailSubject->setText(QString::fromUtf8(c.subject));
        expectRefused(&TForm3::SpeedButton5Click, c.expected);
        if (c.line >= 0) {
            int line = -1, index = -1;
            form->Memo1->getCursorPosition(&line, &index);
            EXPECT_EQ(line, c.line);
            EXPECT_EQ(QApplication::focusWidget(), form->Memo1);
        }
    }
    // The reasons name each line.
    form->Memo1->setUtf8Text("a b\nx,y\n\"q\n");
    form->txtMailSubject->setText("s");
    form->SpeedButton5Click();
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("1 行目: 途中に空白")));
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("2 行目: カンマ")));
    EXPECT_TRUE(lastBox().text.contains(QStringLiteral("3 行目: 引用符")));
}

TEST_F(GroupActionsTest, DeletingRemovesTheLastGroupWhicheverIsShown) {
    loadGroups(5);
    pick(form->cmbMailGroup, 1);
    boxes.clear();
    form->SpeedButton6Click();
    EXPECT_EQ(boxTexts(),
              (QStringList{
                  QStringLiteral("一番最後のメールグループ「組4」を削除します。よろしいですか？"),
                  QStringLiteral("メールグループを削除しました。")}));
    EXPECT_EQ(lastBox().style, shell::kStylePlain);
    EXPECT_EQ(groupCountLine(), "GROUPCOUNT=4");
    for (const char* gone : {"Group-4.txt", "Subject-4.txt", "Body-4.txt"})
        EXPECT_FALSE(app.exists(std::string("Mail/P/") + gone)) << gone;
    EXPECT_EQ(file("list.txt"),
              "r0@example.com,0\r\nr1@example.com,1\r\nr2@example.com,2\r\nr3@example.com,3\r\n");
    EXPECT_EQ(form->cmbMailGroup->count(), 4);
    EXPECT_EQ(form->cmbMailGroup->currentIndex(), 1);
    EXPECT_EQ(utf8(form->Memo1->text()), "r1@example.com");

    // The shown last group goes from the selector; its fields stay on screen.
    pick(form->cmbMailGroup, 3);
    boxes.answer(shell::kResultOk);
    form->SpeedButton6Click();
    EXPECT_EQ(form->cmbMailGroup->currentIndex(), -1);
    EXPECT_EQ(utf8(form->Memo1->text()), "r3@example.com");
    boxes.clear();
    form->SpeedButton5Click();
    EXPECT_EQ(utf8(lastBox().text), "保存するメールグループを選択してください。");

    // Cancelled: nothing changes, not even the held count.
    boxes.answer(shell::kResultCancel);
    const auto before = snapshot();
    form->SpeedButton6Click();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(form->heldGroupCount, "3");
}

}  // namespace
