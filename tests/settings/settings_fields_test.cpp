#include "settings_fixture.h"

namespace {

using FieldRulesTest = SettingsWindowTest;

void expectEmptyState(TForm3& f) {
    for (QLineEdit* field :
         {f.Edit1, f.Edit2, f.Edit3, f.txtSmtpId, f.txtSmtpPwd, f.txtSmtpPort, f.txtMailName,
          f.txtPauseInterval, f.txtPauseTime, f.pnlMailGroup, f.txtMailGroup, f.txtMailSubject}) {
        EXPECT_TRUE(field->text().isEmpty()) << field->objectName().toStdString();
    }
    EXPECT_EQ(f.CmbSmtp->currentIndex(), -1);
    EXPECT_EQ(f.cmbSmtpHtml->currentIndex(), -1);
    EXPECT_EQ(f.cmbMailGroup->count(), 0);
    EXPECT_EQ(f.cmbMailGroup->currentIndex(), -1);
    EXPECT_EQ(f.Memo1->utf8Text(), "");
    EXPECT_EQ(f.txtMailBody->utf8Text(), "");
}

TEST_F(FieldRulesTest, ShownWindowWithoutProjectListIsEmptyWithFieldsEnabled) {
    form->show();
    expectEmptyState(*form);
    EXPECT_EQ(form->cmbProject->count(), 0);
    EXPECT_FALSE(form->Edit4->text().isEmpty());
    for (QWidget* w : form->findChildren<QWidget*>()) {
        EXPECT_TRUE(w->isEnabled()) << w->objectName().toStdString();
    }
    EXPECT_FALSE(app.exists("project.ini"));
    EXPECT_FALSE(app.exists("Mail"));
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(FieldRulesTest, ClearDataEmptiesGroupAndSettingsButLeavesProjectCheckAddressAndEnabling) {
    writeIni("A", {{"SMTP", "SMTP"}, {"SMTPID", "id"}, {"SMTPServer", "mx"}, {"GROUPCOUNT", "2"}});
    writeProjectFile("A", "Subject-0.txt", "s\r\n");
    showWith({"A"});
    pick(form->cmbProject, 0);
    form->txtProject->setText(QStringLiteral("new"));
    form->Edit4->setText(QStringLiteral("https://example.com/check"));
    form->txtMailGroup->setText(QStringLiteral("g"));
    ASSERT_FALSE(form->txtSmtpId->isEnabled());

    form->clearData();

    expectEmptyState(*form);
    EXPECT_EQ(form->cmbProject->currentIndex(), 0);
    EXPECT_EQ(form->txtProject->text(), QStringLiteral("new"));
    EXPECT_EQ(form->Edit4->text(), QStringLiteral("https://example.com/check"));
    EXPECT_FALSE(form->txtSmtpId->isEnabled());
    EXPECT_FALSE(form->txtSmtpPwd->isEnabled());
}

TEST_F(FieldRulesTest, UserChoosingSendingTypeSetsEnablingAndDefaultPort) {
    form->show();
    form->txtSmtpId->setText(QStringLiteral("user"));
    form->txtSmtpPwd->setText(QStringLiteral("secret"));

    pick(form->CmbSmtp, 0);  // SMTP
    EXPECT_FALSE(form->txtSmtpId->isEnabled());
    EXPECT_FALSE(form->txtSmtpPwd->isEnabled());
    EXPECT_EQ(form->txtSmtpId->text(), QStringLiteral("user"));
    EXPECT_EQ(form->txtSmtpPwd->text(), QStringLiteral("secret"));
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("25"));

    pick(form->CmbSmtp, 1);  // SMTP-AUTH
    EXPECT_TRUE(form->txtSmtpId->isEnabled());
    EXPECT_TRUE(form->txtSmtpPwd->isEnabled());
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("587"));
}

TEST_F(FieldRulesTest, ChoosingMailFormatResetsPortToTheSendingTypesDefault) {
    form->show();
    // No type chosen yet: the format change counts as plain SMTP.
    pick(form->cmbSmtpHtml, 1);
    EXPECT_FALSE(form->txtSmtpId->isEnabled());
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("25"));

    pick(form->CmbSmtp, 1);
    form->txtSmtpPort->setText(QStringLiteral("465"));
    pick(form->cmbSmtpHtml, 0);
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("587"));
    EXPECT_TRUE(form->txtSmtpPwd->isEnabled());
}

TEST_F(FieldRulesTest, SelectionsSetByTheProgramDoNotRunTheSendingTypeRule) {
    form->show();
    form->txtSmtpPort->setText(QStringLiteral("465"));
    form->CmbSmtp->setCurrentIndex(0);
    form->cmbSmtpHtml->setCurrentIndex(1);
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("465"));
    EXPECT_TRUE(form->txtSmtpId->isEnabled());
}

TEST_F(FieldRulesTest, ClosingAsksAndOnlyOkCloses) {
    form->show();
    boxes.answer(shell::kResultCancel);
    form->SpeedButton1->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, QStringLiteral("設定画面を終了します。よろしいですか？"));
    EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("ZELMonitor"));
    EXPECT_EQ(boxes.calls()[0].style, 0x131);
    EXPECT_TRUE(form->isVisible());

    boxes.answer(shell::kResultOk);
    form->close();
    EXPECT_EQ(boxes.calls().size(), 2u);
    EXPECT_FALSE(form->isVisible());
}

}  // namespace
