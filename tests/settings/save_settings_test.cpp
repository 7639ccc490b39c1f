#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <QApplication>
#include <filesystem>

#include "settings_fixture.h"
#include "shell/message_box.h"

namespace {

class SaveSettingsTest : public SettingsWindowTest {
protected:
    // Fields that pass every check.
    void fillValid() {
        form->Edit1->setText(QStringLiteral("  smtp.example.com "));
        form->Edit2->setText(QStringLiteral("営業部"));
        form->Edit3->setText(QStringLiteral(" info@example.com"));
        form->txtPauseInterval->setText(QStringLiteral("0"));
        form->txtPauseTime->setText(QStringLiteral("+5"));
        form->CmbSmtp->setCurrentIndex(0);
        form->txtSmtpId->setText(QStringLiteral(" id "));
        form->txtSmtpPwd->setText(QStringLiteral("p w"));
        form->txtSmtpPort->setText(QStringLiteral("9999"));
        form->txtMailName->setText(QString());
        form->cmbSmtpHtml->setCurrentIndex(-1);
    }
    std::string expectedKeys() const {
        return sj(
            "SMTPServer=smtp.example.com\r\nクライアント名称=営業部\r\n"
            "送信元メールアドレス=info@example.com\r\nPauseInterval=0\r\nPauseTime=+5\r\n"
            "SMTP=SMTP\r\nSMTPID= id \r\nSMTPPWD=p w\r\nSMTPPORT=9999\r\n送信元名称=\r\n"
            "SMTPHTML=-1\r\n");
    }
};

TEST_F(SaveSettingsTest, ChecksRunInOrderEachWarnsFocusesAndWritesNothing) {
    struct Case {
        const char* name;
        const char* port;
        const char* interval;
        const char* time;
        const char* warning;
        QLineEdit* TForm3::*focus;
    };
    const Case cases[] = {
        {"empty port first", "", "", "", "[SMTP PORT] Invalid value. 25 or 587",
         &TForm3::txtSmtpPort},
        {"port -1", "-1", "0", "0", "[SMTP PORT] Invalid value. 25 or 587", &TForm3::txtSmtpPort},
        {"port letters", "25a", "0", "0", "[SMTP PORT] Invalid value. 25 or 587",
         &TForm3::txtSmtpPort},
        {"empty interval", "0", "", "", "ポーズ件数には件数を指定してください。",
         &TForm3::txtPauseInterval},
        {"negative interval", "25", "-1", "0", "ポーズ件数には件数を指定してください。",
         &TForm3::txtPauseInterval},
        {"empty time", "587", "0", "", "ポーズ時間には秒数を指定してください。",
         &TForm3::txtPauseTime},
        {"time letters", "587", "1", "1s", "ポーズ時間には秒数を指定してください。",
         &TForm3::txtPauseTime},
        {"unstorable server", "25", "0", "0", "「SMTPサーバーアドレス」に Shift-JIS",
         &TForm3::Edit1},
    };
    load({"P"}, 0);
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        form->txtSmtpPort->setText(QString::fromUtf8(c.port));
        form->txtPauseInterval->setText(QString::fromUtf8(c.interval));
        form->txtPauseTime->setText(QString::fromUtf8(c.time));
        form->Edit1->setText(QString::fromUtf8(c.focus == &TForm3::Edit1 ? "smtp.例.😀" : "x"));
        expectRefused(&TForm3::SpeedButton8Click, c.warning);
        EXPECT_EQ(QApplication::focusWidget(), form.get()->*c.focus);
    }
    // No project chosen: the first check, whatever the fields hold.
    form->FormShow();
    boxes.clear();
    form->SpeedButton8Click();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("プロジェクト名を正しく指定してください。")});
    EXPECT_EQ(QApplication::focusWidget(), form->cmbProject);
}

TEST_F(SaveSettingsTest, WritesTheElevenKeysInOrderAfterAnyGroupCount) {
    struct Case {
        const char* name;
        std::string before;  // Fendrival.ini before the save; "" for none
        std::string prefix;  // lines of the section kept ahead of the saved keys
    };
    const Case cases[] = {
        {"first save", "", ""},
        {"after a group action", sj("[メール同報システム]\r\nGROUPCOUNT=2\r\n\r\n"),
         "GROUPCOUNT=2\r\n"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        app.write("project.ini", " P \r\n");
        form->show();
        if (!c.before.empty()) app.write("Mail/P/Fendrival.ini", c.before);
        // The entry as listed has blanks; the save goes to the trimmed folder.
        form->cmbProject->setCurrentIndex(0);
        fillValid();
        boxes.clear();
        form->SpeedButton8Click();
        EXPECT_EQ(boxTexts(),
                  (QStringList{QStringLiteral("Pに設定内容を保存します。よろしいですか？"),
                               QStringLiteral("設定変更しました")}));
        EXPECT_EQ(app.read("Mail/P/Fendrival.ini"),
                  sj("[メール同報システム]\r\n") + c.prefix + expectedKeys() + "\r\n");
        EXPECT_EQ(utf8(form->Edit1->text()), "  smtp.example.com ");  // not reloaded
        std::filesystem::remove_all(app.file("Mail"));
    }
}

TEST_F(SaveSettingsTest, CancelCreatesNothingAndALockedFileFailsPerKeyThenStillReports) {
    app.write("project.ini", "P\r\n");
    form->show();
    form->cmbProject->setCurrentIndex(0);
    fillValid();
    boxes.answer(shell::kResultCancel);
    form->SpeedButton8Click();
    EXPECT_FALSE(app.exists("Mail"));

    const std::string old = sj("[メール同報システム]\r\nSMTPServer=old\r\n\r\n");
    app.write("Mail/P/Fendrival.ini", old);
    const int held = ::open(app.file("Mail/P/Fendrival.ini").c_str(), O_RDONLY);
    ASSERT_EQ(::flock(held, LOCK_EX), 0);
    boxes.clear();
    form->SpeedButton8Click();
    ::close(held);
    QStringList expected{QStringLiteral("Pに設定内容を保存します。よろしいですか？")};
    for (int key = 0; key < 11; ++key) expected << QStringLiteral("Access fail to inifile.");
    expected << QStringLiteral("設定変更しました");
    EXPECT_EQ(boxTexts(), expected);
    EXPECT_EQ(app.read("Mail/P/Fendrival.ini"), old);
}

}  // namespace
