#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>

#include "settings_fixture.h"
#include "shell/message_box.h"

namespace {

using ProjectActionsTest = SettingsWindowTest;

const char* const kCreated =
    "プロジェクトスペースを作成しました。プロジェクト名リストから選択し、設定を行ってください。"
    "設定記入後は「更新」ボタンを押下して、保存してください。";

TEST_F(ProjectActionsTest, AddingRefusesBadNamesAndWritesNothing) {
    struct Case {
        const char* typed;
        const char* warning;
    };
    const char* noName = "プロジェクト名を正しく指定してください。";
    const char* refused = "プロジェクト名に使用できない文字が入力されています。";
    const char* listed =
        "プロジェクト名は既に登録されています。設定値を入力し、「更新」ボタンを押下して設定保存して"
        "ください。";
    const Case cases[] = {{"", noName},
                          {" \t ", noName},
                          {"a/b", refused},
                          {"..", refused},
                          {"a*b", refused},
                          {"ソ\\", refused},
                          {" 案件Ａ ", listed},
                          {"B", listed},
                          {"绿", "「プロジェクト名」に Shift-JIS で保存できない文字「绿」"}};
    showActive({"案件Ａ", " B "});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.typed);
        form->txtProject->setText(QString::fromUtf8(c.typed));
        expectRefused(&TForm3::SpeedButton2Click, c.warning);
        EXPECT_EQ(QApplication::focusWidget(), form->txtProject);
        EXPECT_EQ(form->cmbProject->count(), 2);
    }
}

TEST_F(ProjectActionsTest, AddingListsTheTrimmedNameAndCreatesItsFolderAndFirstGroup) {
    app.write("Mail/new/Body-0.txt", "kept");
    app.write("Mail/new/Group-0.txt", "old\r\n");
    showActive({"A", "案件"});
    pick(form->cmbProject, 1);
    form->Edit1->setText(QStringLiteral("typed"));
    boxes.clear();
    for (const char* typed : {"  new ", "a"}) {  // case differs from "A": a new project
        form->txtProject->setText(QString::fromUtf8(typed));
        form->SpeedButton2Click();
    }
    EXPECT_EQ(boxTexts(),
              (QStringList{QStringLiteral("プロジェクトスペースを作成します。よろしいですか？"),
                           QString::fromUtf8(kCreated),
                           QStringLiteral("プロジェクトスペースを作成します。よろしいですか？"),
                           QString::fromUtf8(kCreated)}));
    EXPECT_EQ(app.read("project.ini"), "A\r\n" + sj("案件") + "\r\nnew\r\na\r\n");
    EXPECT_EQ(app.read("Mail/new/Group-0.txt"), sj("newメールグループ") + "\r\n");
    EXPECT_EQ(app.read("Mail/new/Body-0.txt"), "kept");
    EXPECT_EQ(app.read("Mail/a/Group-0.txt"), sj("aメールグループ") + "\r\n");
    EXPECT_EQ(app.mode("Mail/a") & 0777, 0700u);
    EXPECT_FALSE(app.exists("Mail/a/Fendrival.ini"));
    EXPECT_EQ(form->cmbProject->count(), 4);
    EXPECT_EQ(utf8(form->cmbProject->itemText(3)), "a");
    EXPECT_EQ(form->cmbProject->currentIndex(), 1);
    EXPECT_EQ(utf8(form->Edit1->text()), "typed");
    EXPECT_TRUE(form->txtProject->text().isEmpty());
}

TEST_F(ProjectActionsTest, AddingStopsAtAFileThatCannotBeWrittenWithFinishedStepsKept) {
    showActive({"A"});
    app.setMode("project.ini", 0444);
    form->txtProject->setText(QStringLiteral("B"));
    form->SpeedButton2->click();  // through the window's error report
    EXPECT_EQ(utf8(lastBox().text), "ファイル " + app.file("project.ini") + " を作成できません.");
    EXPECT_EQ(lastBox().style, shell::kStyleError);
    EXPECT_EQ(form->cmbProject->count(), 2);  // the window's list already holds it
    EXPECT_EQ(utf8(form->txtProject->text()), "B");
    EXPECT_FALSE(app.exists("Mail/B"));

    // Cancel: no list entry, no file, no folder.
    app.setMode("project.ini", 0644);
    const auto before = snapshot();
    boxes.answer(shell::kResultCancel);
    form->txtProject->setText(QStringLiteral("C"));
    form->SpeedButton2Click();
    EXPECT_EQ(snapshot(), before);
    EXPECT_EQ(form->cmbProject->count(), 2);
}

TEST_F(ProjectActionsTest, DeletingRemovesTheFolderAndTheFirstEqualEntryOnly) {
    app.write("Mail/dup/Fendrival.ini", "x");
    app.write("Mail/dup/sub/list.txt", "y");
    app.write("BAT/dup.bat", "bat");
    load({"dup", "other", "dup"}, 2);
    form->Edit1->setText(QStringLiteral("shown"));
    form->SpeedButton9Click();
    EXPECT_EQ(boxTexts(),
              (QStringList{QStringLiteral("dupの設定内容を全て削除します。よろしいですか？"),
                           QStringLiteral("削除しました")}));
    EXPECT_EQ(lastBox().style, shell::kStyleInformation);
    EXPECT_FALSE(app.exists("Mail/dup"));
    EXPECT_TRUE(app.exists("BAT/dup.bat"));
    EXPECT_EQ(app.read("project.ini"), "other\r\ndup\r\n");
    EXPECT_EQ(form->cmbProject->currentIndex(), -1);
    EXPECT_EQ(utf8(form->Edit1->text()), "shown");

    // Nothing selected now: refused, nothing touched.
    boxes.clear();
    auto before = snapshot();
    form->SpeedButton9Click();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("プロジェクト名を正しく指定してください。")});
    EXPECT_EQ(QApplication::focusWidget(), form->cmbProject);
    EXPECT_EQ(snapshot(), before);

    // Cancelled: nothing touched either.
    pick(form->cmbProject, 0);
    before = snapshot();
    boxes.answer(shell::kResultCancel);
    form->SpeedButton9Click();
    EXPECT_EQ(snapshot(), before);

    // Its folder already gone: the entry still goes.
    pick(form->cmbProject, 1);
    std::filesystem::remove_all(app.file("Mail/dup"));
    form->SpeedButton9Click();
    EXPECT_EQ(utf8(lastBox().text), "削除しました");
    EXPECT_EQ(app.read("project.ini"), "other\r\n");

    // The list emptied, a project added: listed, not picked, so 削除 refuses.
    pick(form->cmbProject, 0);
    form->SpeedButton9Click();
    form->txtProject->setText(QStringLiteral("next"));
    form->SpeedButton2Click();
    EXPECT_EQ(form->cmbProject->count(), 1);
    EXPECT_EQ(form->cmbProject->currentIndex(), -1);
    boxes.clear();
    form->SpeedButton9Click();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("プロジェクト名を正しく指定してください。")});
}

TEST_F(ProjectActionsTest, DeletingWarnsWhenTheFolderIsLeftOnDisk) {
    app.write("Mail/P/Fendrival.ini", "SMTPPWD=secret");
    app.write("Mail/P/keep.txt", "read-only");
    app.setMode("Mail/P/keep.txt", 0444);
    load({"P"}, 0);
    form->SpeedButton9Click();
    EXPECT_EQ(lastBox().style, shell::kStyleWarning);
    EXPECT_TRUE(lastBox().text.contains(QString::fromStdString(app.file("Mail/P"))));
    EXPECT_NE(lastBox().text, QStringLiteral("削除しました"));
    EXPECT_EQ(app.read("project.ini"), "");
    EXPECT_EQ(form->cmbProject->count(), 0);
}

}  // namespace
