// "テスト送信…" in the window, against a real SMTP server on 127.0.0.1 that keeps the mail.
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>

#include "dialogs/smtp_result_text.h"
#include "dialogs/test_mail_dialog.h"
#include "settings_fixture.h"
#include "smtp/smtp_check.h"
#include "smtp/test_smtp_server.h"

#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTimer>

namespace {

using Mode = TestSmtpServer::Mode;

class TestMailWindowTest : public SettingsWindowTest {
protected:
    TestMailWindowTest() {
        load({"P"}, 0);
        form->Edit3->setText(QStringLiteral("sender@example.com"));
        form->txtMailName->setText(QStringLiteral("山田商事① ㈱髙橋 お知らせ係"));
        form->txtMailSubject->setText(QStringLiteral("【ご案内】髙橋より①新商品のお知らせ"));
        form->CmbSmtp->setCurrentIndex(form->CmbSmtp->findText(QStringLiteral("SMTP")));
        boxes.clear();
    }
    ~TestMailWindowTest() override {
        TestMailDialog::setScript(nullptr);
        unsetenv(smtp::kCaFileVariable);
        smtptest::setStepTimeout(std::chrono::seconds(15));
    }
    void useServer(int port) {
        form->Edit1->setText(QStringLiteral("127.0.0.1"));
        form->txtSmtpPort->setText(QString::number(port));
    }
    // The dialog answered with the address, or cancelled when it is null.
    void answer(const char* address) {
        TestMailDialog::setScript([address](TestMailDialog& dialog) {
            if (!address) return dialog.cancelButton()->click();
            dialog.addressField()->setText(QString::fromUtf8(address));
            dialog.sendButton()->click();
        });
    }
    // The captured mail as a mail program decodes it.
    static QJsonObject read(const std::string& message) {
        const std::string path = testing::TempDir() + "captured.eml";
        FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(message.data(), 1, message.size(), f);
        std::fclose(f);
        QProcess python;
        python.start(QStringLiteral(READ_MAIL_SCRIPT), {QString::fromStdString(path)});
        python.waitForFinished();
        return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
    }
};

TEST_F(TestMailWindowTest, RefusesBeforeAnythingIsTriedAndSendsNothing) {
    const int port = unusedPort();  // nothing listens: any attempt would say so in a box
    struct Case {
        const char* name;
        const char* sender;
        const char* server;
        const char* address;  // typed in the dialog; null: the dialog is never reached
        const char* warning;
    } cases[] = {
        {"sender", "sender@localhost", "127.0.0.1", nullptr,
         "送信元メールアドレスを正しく入力してください。"},
        {"server", "s@example.com", "", nullptr, "SMTPサーバーアドレスを入力してください。"},
        {"empty", "s@example.com", "127.0.0.1", "", "テスト送信先のアドレスを入力してください。"},
        {"list", "s@example.com", "127.0.0.1", "a@example.com, b@example.com",
         "テスト送信先には、アドレスを 1 つだけ入力してください。"},
        {"lines", "s@example.com", "127.0.0.1", "a@example.com\nb@example.com",
         "テスト送信先には、アドレスを 1 つだけ入力してください。"},
        {"invalid", "s@example.com", "127.0.0.1", "a@example",
         "テスト送信先のアドレスが正しくありません"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        useServer(port);
        form->Edit1->setText(QString::fromUtf8(c.server));
        form->Edit3->setText(QString::fromUtf8(c.sender));
        bool asked = false;
        TestMailDialog::setScript([&](TestMailDialog& dialog) {
            asked = true;
            dialog.addressField()->setText(QString::fromUtf8(c.address));
            dialog.sendButton()->click();  // refused: the dialog stays
            EXPECT_FALSE(dialog.isHidden() && dialog.result() == QDialog::Accepted);
        });
        form->btnTestMailClick();
        EXPECT_EQ(asked, c.address != nullptr);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_TRUE(lastBox().text.startsWith(QString::fromUtf8(c.warning)))
            << utf8(lastBox().text);
    }
    // No project, and an empty subject the user would rather not send: no box but those.
    boxes.clear();
    answer("a@example.com");
    form->txtMailSubject->clear();
    boxes.answer(shell::kResultCancel);
    form->btnTestMailClick();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("件名が空です。送信しますか？")});
    form->cmbProject->setCurrentIndex(-1);
    boxes.clear();
    form->btnTestMailClick();
    EXPECT_EQ(boxTexts(), QStringList{QStringLiteral("プロジェクト名を正しく指定してください。")});
}

TEST_F(TestMailWindowTest, DeliversOneMailThatReadsAsTheFields) {
    TestSmtpServer server(Mode::StartTls, true, {"--capture"});
    ASSERT_NE(server.port(), 0);
    setenv(smtp::kCaFileVariable, testCertificates().caFile.c_str(), 1);
    useServer(server.port());
    form->CmbSmtp->setCurrentIndex(form->CmbSmtp->findText(QStringLiteral("SMTP-AUTH")));
    form->txtSmtpId->setText(QString::fromUtf8(TestSmtpServer::kUser));
    form->txtSmtpPwd->setText(QString::fromUtf8(TestSmtpServer::kPassword));
    form->Memo1->setUtf8Text("never@example.com\nnor-me@example.com\n");
    struct Case {
        const char* type;
        const char* body;
        const char* plain;  // the text/plain part as read
    } cases[] = {
        {"TEXT", "山田様\n\nいつもありがとうございます。\n.\n①㈱髙\n",
         "山田様\r\n\r\nいつもありがとうございます。\r\n.\r\n①㈱髙\r\n"},
        {"HTML", "<p>山田様</p><p><a href=\"https://example.com/\">詳しくはこちら</a></p>",
         nullptr},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.type);
        boxes.clear();
        form->cmbSmtpHtml->setCurrentIndex(form->cmbSmtpHtml->findText(QString::fromUtf8(c.type)));
        form->txtMailBody->setUtf8Text(c.body);
        answer("ｔｅｓｔ＠example.com");  // typed full-width: sent half-width

        form->btnTestMailClick();

        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(lastBox().style, shell::kStyleInformation) << utf8(lastBox().text);
        EXPECT_TRUE(lastBox().text.contains(QStringLiteral("250"))) << utf8(lastBox().text);
        EXPECT_FALSE(lastBox().text.contains(QString::fromUtf8(TestSmtpServer::kPassword)));
        EXPECT_EQ(server.file("envelope"), "sender@example.com\ntest@example.com\n");
        const QJsonObject mail = read(server.file("message"));
        EXPECT_EQ(mail["from"].toString(),
                  form->txtMailName->text() + QStringLiteral(" <sender@example.com>"));
        EXPECT_EQ(mail["to"].toString(), QStringLiteral("test@example.com"));
        EXPECT_EQ(mail["subject"].toString(), form->txtMailSubject->text());
        const QJsonObject parts = mail["parts"].toObject();
        if (c.plain) {
            EXPECT_EQ(mail["type"].toString(), QStringLiteral("text/plain"));
            EXPECT_EQ(parts["text/plain"].toString(), QString::fromUtf8(c.plain));
        } else {
            EXPECT_EQ(mail["type"].toString(), QStringLiteral("multipart/alternative"));
            EXPECT_TRUE(parts["text/plain"].toString().contains(
                QStringLiteral("詳しくはこちら (https://example.com/)")));
            EXPECT_EQ(parts["text/html"].toString(), QString::fromUtf8(c.body));
        }
    }
}

TEST_F(TestMailWindowTest, StopEndsEitherDialogueAndShowsNoResult) {
    TestSmtpServer server(Mode::Silent, false);
    ASSERT_NE(server.port(), 0);
    useServer(server.port());
    answer("test@example.com");
    const struct {
        const char* name;
        const char* box;
        void (TForm3::*action)();
    } cases[] = {
        {"接続テスト", "SmtpTestDialog", &TForm3::btnSmtpTestClick},
        {"テスト送信", "TestMailProgress", &TForm3::btnTestMailClick},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        boxes.clear();
        // The timer fires only if the window's event loop runs during the dialogue.
        bool dialogSeen = false;
        QTimer::singleShot(400, form.get(), [&] {
            if (auto* dialog = form->findChild<QProgressDialog*>(QString::fromUtf8(c.box))) {
                dialogSeen = dialog->isVisible();
                dialog->cancel();
            }
        });
        (form.get()->*c.action)();  // 15 s per step: only the 中止 ends it early
        EXPECT_TRUE(dialogSeen);
        EXPECT_TRUE(boxes.calls().empty()) << utf8(lastBox().text);
    }
}

}  // namespace
