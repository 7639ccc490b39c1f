// The everyday path through the window, with the files checked after each step.
#include "settings_fixture.h"

namespace {

using EverydayUseTest = SettingsWindowTest;

TEST_F(EverydayUseTest, CreateFillGroupsDeleteLeavesExactlyTheExpectedFiles) {
    showActive({});
    form->txtProject->setText(QStringLiteral("春の案内"));
    form->SpeedButton2Click();
    const std::string folder = "Mail/" + std::string("春の案内") + "/";
    EXPECT_EQ(app.read("project.ini"), sj("春の案内") + "\r\n");
    EXPECT_EQ(app.read(folder + "Group-0.txt"), sj("春の案内メールグループ") + "\r\n");

    pick(form->cmbProject, 0);
    EXPECT_EQ(utf8(form->pnlMailGroup->text()), "春の案内メールグループ");
    EXPECT_EQ(app.read(folder + "list.txt"), "");  // a first show creates it empty
    form->CmbSmtp->setCurrentIndex(1);
    form->CmbSmtpChange();  // SMTP-AUTH: port 587
    form->Edit1->setText(QStringLiteral("smtp.example.com"));
    form->txtSmtpId->setText(QStringLiteral("user"));
    form->txtSmtpPwd->setText(QStringLiteral("secret"));
    form->txtPauseInterval->setText(QStringLiteral("100"));
    form->txtPauseTime->setText(QStringLiteral("3"));
    form->SpeedButton8Click();
    EXPECT_EQ(
        app.read(folder + "Fendrival.ini"),
        sj("[メール同報システム]\r\nSMTPServer=smtp.example.com\r\nクライアント名称=\r\n"
           "送信元メールアドレス=\r\nPauseInterval=100\r\nPauseTime=3\r\nSMTP=SMTP-AUTH\r\n"
           "SMTPID=user\r\nSMTPPWD=secret\r\nSMTPPORT=587\r\n送信元名称=\r\nSMTPHTML=0\r\n\r\n"));

    for (const char* name : {"会員", "取引先"}) {
        form->txtMailGroup->setText(QString::fromUtf8(name));
        form->SpeedButton4Click();
    }
    EXPECT_EQ(form->cmbMailGroup->count(), 3);
    for (int group = 1; group <= 2; ++group) {
        pick(form->cmbMailGroup, group);
        const std::string g = std::to_string(group);
        form->Memo1->setUtf8Text("a" + g + "@example.com\nb" + g + "@example.com");
        form->txtMailSubject->setText(QString::fromStdString("件名" + g));
        form->txtMailBody->setUtf8Text("本文" + g + "\n");
        form->SpeedButton5Click();
    }
    EXPECT_EQ(app.read(folder + "list.txt"),
              "a1@example.com,1\r\nb1@example.com,1\r\na2@example.com,2\r\nb2@example.com,2\r\n");
    EXPECT_EQ(app.read(folder + "Subject-2.txt"), sj("件名2") + "\r\n");
    EXPECT_EQ(app.read(folder + "Body-2.txt"), sj("本文2") + "\r\n");

    form->SpeedButton6Click();
    EXPECT_EQ(app.read(folder + "list.txt"), "a1@example.com,1\r\nb1@example.com,1\r\n");
    EXPECT_FALSE(app.exists(folder + "Group-2.txt"));
    EXPECT_NE(app.read(folder + "Fendrival.ini").find("GROUPCOUNT=2\r\n"), std::string::npos);

    pick(form->cmbProject, 0);
    form->SpeedButton9Click();
    EXPECT_FALSE(app.exists("Mail/" + std::string("春の案内")));
    EXPECT_EQ(app.read("project.ini"), "");
    EXPECT_EQ(utf8(boxes.calls().back().text), "削除しました");
}

}  // namespace
