#include <sys/stat.h>

#include <QTest>

#include "settings_fixture.h"

namespace {

using LoadTest = SettingsWindowTest;

QStringList entries(QComboBox* list) {
    QStringList texts;
    for (int i = 0; i < list->count(); ++i) texts << list->itemText(i);
    return texts;
}

TEST_F(LoadTest, ProjectListKeepsFileOrderAndEntriesExactlyAsWrittenWithoutReadingProjects) {
    app.write("project.ini", "  B\r\n" + sj("案件Ａ") + "\n\r\nC \r\n");
    form->FormShow();
    EXPECT_EQ(entries(form->cmbProject), (QStringList{"  B", QStringLiteral("案件Ａ"), "", "C "}));
    EXPECT_EQ(form->cmbProject->currentIndex(), -1);
    EXPECT_EQ(form->projectNameAt(1), sj("案件Ａ"));
    EXPECT_FALSE(app.exists("Mail"));
}

TEST_F(LoadTest, ShowEmptiesTheNewProjectNameAndTheFields) {
    form->txtProject->setText(QStringLiteral("typed"));
    form->Edit1->setText(QStringLiteral("old"));
    showWith({"A", "B"});
    EXPECT_TRUE(form->txtProject->text().isEmpty());
    EXPECT_TRUE(form->Edit1->text().isEmpty());
    EXPECT_EQ(form->cmbProject->count(), 2);
}

TEST_F(LoadTest, EachKeyGoesToItsField) {
    writeIni("P", {{"SMTPServer", "smtp.example.com"},
                   {"クライアント名称", "営業部"},
                   {"送信元メールアドレス", "info@example.com"},
                   {"PauseInterval", "0050"},
                   {"PauseTime", "-007"},
                   {"SMTP", "SMTP-AUTH"},
                   {"SMTPID", "user1"},
                   {"SMTPPWD", "pa ss"},
                   {"SMTPPORT", "0025x"},
                   {"送信元名称", "山田 太郎"},
                   {"SMTPHTML", "1"},
                   {"GROUPCOUNT", "3"}});
    showWith({"P"});
    pick(form->cmbProject, 0);

    EXPECT_EQ(utf8(form->Edit1->text()), "smtp.example.com");
    EXPECT_EQ(utf8(form->Edit2->text()), "営業部");
    EXPECT_EQ(utf8(form->Edit3->text()), "info@example.com");
    EXPECT_EQ(utf8(form->CmbSmtp->currentText()), "SMTP-AUTH");
    EXPECT_EQ(utf8(form->txtSmtpId->text()), "user1");
    EXPECT_EQ(utf8(form->txtSmtpPwd->text()), "pa ss");
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "0025x");  // shown as stored
    EXPECT_EQ(utf8(form->txtMailName->text()), "山田 太郎");
    EXPECT_EQ(utf8(form->txtPauseInterval->text()), "50");
    EXPECT_EQ(utf8(form->txtPauseTime->text()), "-7");
    EXPECT_EQ(form->cmbSmtpHtml->currentIndex(), 1);
    EXPECT_EQ(form->heldGroupCount, "3");
    EXPECT_EQ(entries(form->cmbMailGroup), (QStringList{"1", "2", "3"}));
    EXPECT_EQ(form->cmbMailGroup->currentIndex(), 0);
    EXPECT_TRUE(form->txtSmtpId->isEnabled());
    EXPECT_TRUE(form->txtSmtpPwd->isEnabled());
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(LoadTest, NumbersAndFormatFollowTheirReadingRules) {
    struct Case {
        const char* pause;
        const char* shown;
    };
    const Case cases[] = {{"", "0"},
                          {"abc", "0"},
                          {"12a", "0"},
                          {" 5", "0"},
                          {"+8", "8"},
                          {"000", "0"},
                          {"2147483647", "2147483647"},
                          {"2147483648", "0"},
                          {"-2147483648", "-2147483648"},
                          {"１２", "0"}};
    showWith({"P"});
    for (const Case& c : cases) {
        SCOPED_TRACE(c.pause);
        writeIni("P", {{"PauseInterval", c.pause}, {"PauseTime", c.pause}});
        pick(form->cmbProject, 0);
        EXPECT_EQ(utf8(form->txtPauseInterval->text()), c.shown);
        EXPECT_EQ(utf8(form->txtPauseTime->text()), c.shown);
    }
    for (const char* html : {"0", "-1", "01", "1 ", "HTML", ""}) {
        SCOPED_TRACE(html);
        writeIni("P", {{"SMTPHTML", html}});
        pick(form->cmbProject, 0);
        EXPECT_EQ(form->cmbSmtpHtml->currentIndex(), 0);
    }
}

TEST_F(LoadTest, UnknownOrMissingSendingTypeKeepsThePreviousSelection) {
    writeIni("Auth", {{"SMTP", "SMTP-AUTH"}, {"SMTPPORT", "587"}, {"SMTPServer", "a"}});
    writeIni("NoType", {{"SMTPServer", "b"}, {"SMTPPORT", "2525"}, {"SMTPID", "x"}});
    writeIni("Odd", {{"SMTP", "smtp"}});
    showWith({"Auth", "NoType", "Odd"});

    pick(form->cmbProject, 2);  // no selection before: none after
    EXPECT_EQ(form->CmbSmtp->currentIndex(), -1);
    EXPECT_FALSE(form->txtSmtpId->isEnabled());

    pick(form->cmbProject, 0);
    pick(form->cmbProject, 1);
    EXPECT_EQ(utf8(form->CmbSmtp->currentText()), "SMTP-AUTH");
    EXPECT_TRUE(form->txtSmtpId->isEnabled());
    EXPECT_TRUE(form->txtSmtpPwd->isEnabled());
    EXPECT_EQ(utf8(form->Edit1->text()), "b");
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "2525");
    EXPECT_EQ(utf8(form->txtSmtpId->text()), "x");
}

TEST_F(LoadTest, LoadAppliesEnablingButKeepsTheStoredPort) {
    writeIni("Auth25", {{"SMTP", "SMTP-AUTH"}, {"SMTPPORT", "25"}});
    writeIni("Plain",
             {{"SMTP", "SMTP"}, {"SMTPID", "keep"}, {"SMTPPWD", "me"}, {"SMTPPORT", "587"}});
    showWith({"Auth25", "Plain"});
    pick(form->cmbProject, 0);
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "25");
    EXPECT_TRUE(form->txtSmtpId->isEnabled());

    pick(form->cmbProject, 1);
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "587");
    EXPECT_FALSE(form->txtSmtpId->isEnabled());
    EXPECT_FALSE(form->txtSmtpPwd->isEnabled());
    EXPECT_EQ(utf8(form->txtSmtpId->text()), "keep");
    EXPECT_EQ(utf8(form->txtSmtpPwd->text()), "me");
}

TEST_F(LoadTest, StoredValuesLongerThanTheTypingLimitAreShownWholeAndCannotGrow) {
    const std::string server(70, 's');
    writeIni("P", {{"SMTPServer", server}, {"SMTPPORT", "12345"}, {"PauseTime", "1234567"}});
    showWith({"P"});
    form->show();
    pick(form->cmbProject, 0);
    EXPECT_EQ(utf8(form->Edit1->text()), server);
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "12345");
    EXPECT_EQ(utf8(form->txtPauseTime->text()), "1234567");

    form->txtSmtpPort->end(false);
    QTest::keyClicks(form->txtSmtpPort, "9");
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "12345");
    QTest::keyClick(form->txtSmtpPort, Qt::Key_Backspace);
    QTest::keyClicks(form->txtSmtpPort, "9");
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "1234");
    QTest::keyClick(form->txtSmtpPort, Qt::Key_Backspace);
    QTest::keyClicks(form->txtSmtpPort, "77");
    EXPECT_EQ(utf8(form->txtSmtpPort->text()), "1237");
}

TEST_F(LoadTest, GroupCountDecidesTheGroupEntries) {
    writeProjectFile("P", "Group-0.txt", sj("  第一\r\n二行目\r\n"));
    writeProjectFile("P", "list.txt", "a@x,0\r\n");
    writeProjectFile("P", "Subject-0.txt", "Hi\r\n");
    writeProjectFile("P", "Body-0.txt", "body");
    showWith({"P"});

    writeIni("P", {});  // key missing: one group
    pick(form->cmbProject, 0);
    EXPECT_EQ(form->heldGroupCount, "1");
    EXPECT_EQ(entries(form->cmbMailGroup), QStringList{"1"});
    EXPECT_EQ(utf8(form->pnlMailGroup->text()), "第一");

    writeIni("P", {{"GROUPCOUNT", "2"}});
    pick(form->cmbProject, 0);
    EXPECT_EQ(entries(form->cmbMailGroup), (QStringList{"1", "2"}));

    for (const char* bad : {"x3", "0", "-2"}) {
        SCOPED_TRACE(bad);
        writeIni("P", {{"GROUPCOUNT", bad}});
        form->txtMailGroup->setText(QStringLiteral("typed"));
        pick(form->cmbProject, 0);
        EXPECT_EQ(form->heldGroupCount, bad);
        EXPECT_EQ(form->cmbMailGroup->count(), 0);
        EXPECT_EQ(form->cmbMailGroup->currentIndex(), -1);
        EXPECT_TRUE(form->pnlMailGroup->text().isEmpty());
        EXPECT_TRUE(form->txtMailGroup->text().isEmpty());
        EXPECT_EQ(form->Memo1->utf8Text(), "");
        EXPECT_TRUE(form->txtMailSubject->text().isEmpty());
        EXPECT_EQ(form->txtMailBody->utf8Text(), "");
    }
}

TEST_F(LoadTest, GroupZeroShowsItsRecipientsSubjectAndBody) {
    writeIni("P", {{"GROUPCOUNT", "3"}});
    writeProjectFile("P", "Group-0.txt", sj("会員向け") + "\r\n");
    writeProjectFile("P", "list.txt",
                     "A@x,0\r\nB@x,1\r\nC@x,0\nD E,0\r\n F@x,0\r\nG@x,00\r\nnocomma\r\n");
    writeProjectFile("P", "Subject-0.txt", sj("旧件名\r\n新件名\r\n\r\n"));
    writeProjectFile("P", "Body-0.txt", sj("一行目\r\n\r\n三行目\r\n"));
    showWith({"P"});
    form->txtMailGroup->setText(QStringLiteral("typed"));
    pick(form->cmbProject, 0);

    EXPECT_EQ(utf8(form->pnlMailGroup->text()), "会員向け");
    EXPECT_TRUE(form->txtMailGroup->text().isEmpty());
    EXPECT_EQ(form->Memo1->utf8Text(), "A@x\nC@x\n F@x");
    EXPECT_EQ(utf8(form->txtMailSubject->text()), "新件名");
    EXPECT_EQ(form->txtMailBody->utf8Text(), "一行目\n\n三行目");
    // The load cannot be undone in the fields.
    EXPECT_FALSE(form->Memo1->isUndoAvailable());
    EXPECT_FALSE(form->txtMailBody->isUndoAvailable());
}

TEST_F(LoadTest, PickingAGroupShowsThatGroupAndLeavesTheNewGroupNameAlone) {
    writeIni("P", {{"GROUPCOUNT", "3"}});
    writeProjectFile("P", "Group-1.txt", "second\r\n");
    writeProjectFile("P", "list.txt", "A@x,0\r\nB@x,1\r\nC@x,0\r\nD@x,1\r\n");
    writeProjectFile("P", "Subject-0.txt", "zero\r\n");
    writeProjectFile("P", "Subject-1.txt", "one\r\n");
    writeProjectFile("P", "Body-1.txt", "b1\r\nb2");
    showWith({"P"});
    pick(form->cmbProject, 0);
    form->txtMailGroup->setText(QStringLiteral("typed"));

    pick(form->cmbMailGroup, 1);
    EXPECT_EQ(utf8(form->pnlMailGroup->text()), "second");
    EXPECT_EQ(form->Memo1->utf8Text(), "B@x\nD@x");
    EXPECT_EQ(utf8(form->txtMailSubject->text()), "one");
    EXPECT_EQ(form->txtMailBody->utf8Text(), "b1\nb2");
    EXPECT_EQ(utf8(form->txtMailGroup->text()), "typed");

    pick(form->cmbMailGroup, 2);  // no files at all for group 2
    EXPECT_TRUE(form->pnlMailGroup->text().isEmpty());
    EXPECT_EQ(form->Memo1->utf8Text(), "");
    EXPECT_TRUE(form->txtMailSubject->text().isEmpty());
    EXPECT_EQ(form->txtMailBody->utf8Text(), "");
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(LoadTest, LargeListsLoadOffTheWindowAndTheLastPickWins) {
    std::string listA, listB, shownA;
    for (int n = 0; n < 3000; ++n) {
        const std::string a = "a" + std::to_string(n) + "@x";
        listA += a + ",0\r\n" + "other" + std::to_string(n) + "@x,1\r\n";
        shownA += (n ? "\n" : "") + a;
        listB += "b" + std::to_string(n) + "@x,0\r\n";
    }
    writeProjectFile("A", "list.txt", listA);
    writeProjectFile("B", "list.txt", listB);
    showWith({"A", "B"});
    const std::size_t before = PlainTextField::backgroundLoadBytes();
    PlainTextField::setBackgroundLoadBytes(0);

    pick(form->cmbProject, 0);
    EXPECT_TRUE(form->Memo1->isLoading());
    EXPECT_TRUE(form->Memo1->isReadOnly());
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Memo1->isLoading(); }, 10000));
    EXPECT_EQ(form->Memo1->utf8Text(), shownA);
    EXPECT_FALSE(form->Memo1->isReadOnly());

    pick(form->cmbProject, 1);
    pick(form->cmbProject, 0);
    pick(form->cmbProject, 1);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !form->Memo1->isLoading(); }, 10000));
    QTest::qWait(100);
    EXPECT_EQ(form->Memo1->utf8Text().substr(0, 4), "b0@x");
    EXPECT_EQ(form->Memo1->lines(), 3000);
    EXPECT_TRUE(boxes.calls().empty());
    PlainTextField::setBackgroundLoadBytes(before);
}

TEST_F(LoadTest, MissingProjectFolderLoadsEmptyAndLeavesAnEmptyPrivateRecipientFile) {
    showWith({"Fresh"});
    form->Edit1->setText(QStringLiteral("unsaved"));
    pick(form->cmbProject, 0);

    EXPECT_TRUE(form->Edit1->text().isEmpty());
    EXPECT_EQ(form->CmbSmtp->currentIndex(), -1);
    EXPECT_EQ(form->cmbSmtpHtml->currentIndex(), 0);
    EXPECT_EQ(utf8(form->txtPauseInterval->text()), "0");
    EXPECT_EQ(entries(form->cmbMailGroup), QStringList{"1"});
    ASSERT_TRUE(app.exists("Mail/Fresh/list.txt"));
    EXPECT_EQ(app.read("Mail/Fresh/list.txt"), "");
    EXPECT_FALSE(app.exists("Mail/Fresh/Fendrival.ini"));
    struct stat info {};
    ASSERT_EQ(stat(app.file("Mail/Fresh").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 077, 0u);
}

TEST_F(LoadTest, LoadLeavesExistingFilesUntouched) {
    const std::string ini =
        sj("[メール同報システム]\r\n; note\r\nSMTP=SMTP\r\n\r\n[他]\r\nx=1\r\n");
    const std::string list = "A@x,0\r\n\x81\x40,1\nbad line\r\n";
    app.write("Mail/P/Fendrival.ini", ini);
    app.write("Mail/P/list.txt", list);
    showWith({"P"});
    pick(form->cmbProject, 0);
    pick(form->cmbMailGroup, 0);
    EXPECT_EQ(app.read("Mail/P/Fendrival.ini"), ini);
    EXPECT_EQ(app.read("Mail/P/list.txt"), list);
    EXPECT_EQ(app.read("project.ini"), "P\r\n");
}

TEST_F(LoadTest, LoadClearsWhatAKilledWriteLeftAndNothingElse) {
    const std::vector<std::pair<std::string, bool>> files = {
        {".list.txt.tmp4242-0", false},   // a stale copy of ours: goes
        {".Body-3.txt.tmp77-12", false},  // likewise
        {".notes.txt.tmp4242-0", true},   // not a file of the project
        {".list.txt.tmpx", true},         // not our pattern
        {"list.txt", true}};
    for (const auto& [name, stays] : files) writeProjectFile("P", name, "x");
    showWith({"P"});
    pick(form->cmbProject, 0);
    for (const auto& [name, stays] : files) EXPECT_EQ(app.exists("Mail/P/" + name), stays) << name;
}

TEST_F(LoadTest, JapaneseProjectNameAddressesItsFolder) {
    writeIni("案件", {{"SMTPServer", "jp.example.com"}});
    showWith({"案件"});
    pick(form->cmbProject, 0);
    EXPECT_EQ(utf8(form->Edit1->text()), "jp.example.com");
    EXPECT_TRUE(app.exists("Mail/案件/list.txt"));
}

TEST_F(LoadTest, BytesThatAreNotShiftJisShowAsReplacementCharacters) {
    writeIni("P", {{"GROUPCOUNT", "1"}});
    app.write("Mail/P/Group-0.txt", "ok\x81\r\n");
    app.write("Mail/P/Subject-0.txt", "s\x81\x20t\r\n");
    app.write("Mail/P/Body-0.txt", "\x81\x20x");
    showWith({"P"});
    pick(form->cmbProject, 0);
    EXPECT_EQ(utf8(form->pnlMailGroup->text()), "ok\xef\xbf\xbd");
    EXPECT_TRUE(form->txtMailSubject->text().contains(QChar(0xFFFD)));
    EXPECT_TRUE(form->txtMailSubject->text().endsWith(QLatin1Char('t')));
    EXPECT_EQ(form->txtMailBody->utf8Text().find("\xef\xbf\xbd"), 0u);
}

TEST_F(LoadTest, ProjectNamesThatWouldLeaveTheStoreAreRefusedWithoutTouchingAnything) {
    for (const char* name : {"..", "../x", "a/b", "."}) {
        SCOPED_TRACE(name);
        boxes.clear();
        showWith({name});
        form->Edit1->setText(QStringLiteral("kept"));
        pick(form->cmbProject, 0);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].text,
                  QStringLiteral("プロジェクト名に使用できない文字が入力されています。"));
        EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("ZELMonitor"));
        EXPECT_EQ(boxes.calls()[0].style, 0x30);
        EXPECT_EQ(utf8(form->Edit1->text()), "kept");
    }
    EXPECT_FALSE(app.exists("Mail"));
    EXPECT_FALSE(app.exists("x"));
}

TEST_F(LoadTest, ShowingAGroupWithoutAProjectWarnsAndFocusesTheProjectList) {
    showWith({"P"});
    form->cmbMailGroup->addItem(QStringLiteral("1"));
    pick(form->cmbMailGroup, 0);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, QStringLiteral("プロジェクト名を正しく指定してください。"));
    EXPECT_EQ(boxes.calls()[0].style, 0x30);
    EXPECT_FALSE(app.exists("Mail"));
}

}  // namespace
