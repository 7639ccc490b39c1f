// "接続テスト" in the window, against a real SMTP server on 127.0.0.1.
#include <QApplication>
#include <QProgressDialog>
#include <QTest>
#include <cstdlib>

#include "dialogs/smtp_result_text.h"
#include "settings_fixture.h"
#include "shell/message_box.h"
#include "smtp/smtp_check.h"
#include "smtp/test_smtp_server.h"

namespace {

using Mode = TestSmtpServer::Mode;

class SmtpTestWindowTest : public SettingsWindowTest {
protected:
    ~SmtpTestWindowTest() override {
        unsetenv(smtp::kCaFileVariable);
        smtptest::setStepTimeout(std::chrono::seconds(15));
    }
    // The SMTP fields as a user fills them; "" leaves the sending type unchosen.
    void fill(const QString& server, const QString& port, const QString& type = QString(),
              const QString& user = QString(), const QString& password = QString()) {
        form->Edit1->setText(server);
        form->txtSmtpPort->setText(port);
        form->CmbSmtp->setCurrentIndex(form->CmbSmtp->findText(type));
        form->txtSmtpId->setText(user);
        form->txtSmtpPwd->setText(password);
    }
    void trustTestCa(const std::string& file) const {
        setenv(smtp::kCaFileVariable, file.c_str(), 1);
    }
};

TEST_F(SmtpTestWindowTest, RefusesFieldsNotWorthTryingAndFocusesTheField) {
    const struct {
        const char* server;
        const char* port;
        const char* type;
        const char* user;
        const char* warning;
        QLineEdit* TForm3::*focus;
    } cases[] = {
        {"", "25", "SMTP", "", "SMTPサーバーアドレスを入力してください。", &TForm3::Edit1},
        {"mail.example.com/x", "25", "SMTP", "",
         "SMTPサーバーアドレスに使用できない文字が入力されています。", &TForm3::Edit1},
        {"127.0.0.1", "", "SMTP", "", "ポートには1から9999までの数字を入力してください。",
         &TForm3::txtSmtpPort},
        {"127.0.0.1", "0", "SMTP", "", "ポートには1から9999までの数字を入力してください。",
         &TForm3::txtSmtpPort},
        {"127.0.0.1", "abc", "SMTP", "", "ポートには1から9999までの数字を入力してください。",
         &TForm3::txtSmtpPort},
        {"127.0.0.1", "587", "SMTP-AUTH", "", "SMTP-AUTH用ﾕｰｻﾞｰIDを入力してください。",
         &TForm3::txtSmtpId},
    };
    showActive({});
    for (const auto& c : cases) {
        boxes.clear();
        fill(QString::fromUtf8(c.server), QString::fromUtf8(c.port), QString::fromUtf8(c.type),
             QString::fromUtf8(c.user));
        form->CmbSmtp->setFocus();
        form->btnSmtpTest->click();
        ASSERT_EQ(boxes.calls().size(), 1u) << c.server << " " << c.port;
        EXPECT_EQ(lastBox().text, QString::fromUtf8(c.warning));
        EXPECT_EQ(lastBox().caption, shell::kCaption);
        EXPECT_EQ(lastBox().style, shell::kStyleWarning);
        EXPECT_EQ(QApplication::focusWidget(), form.get()->*c.focus) << c.warning;
        EXPECT_EQ(form->findChild<QProgressDialog*>(QStringLiteral("SmtpTestDialog")),
                  nullptr);  // nothing was tried
    }
}

struct ServerCase {
    const char* name;
    Mode mode;
    bool serverAuth;
    const char* type;
    const char* password;
    bool otherCa;
    int style;
    std::vector<const char*> parts;  // pieces the box must hold, in order
};

void PrintTo(const ServerCase& c, std::ostream* out) {
    *out << c.name;
}

class SmtpTestWindowServers : public SmtpTestWindowTest,
                              public testing::WithParamInterface<ServerCase> {};

TEST_P(SmtpTestWindowServers, ResultBoxSaysWhatWorkedOrFailed) {
    const ServerCase& c = GetParam();
    TestSmtpServer server(c.mode, c.serverAuth);
    ASSERT_NE(server.port(), 0);
    trustTestCa(c.otherCa ? testCertificates().otherCaFile : testCertificates().caFile);
    smtptest::setStepTimeout(std::chrono::milliseconds(700));
    fill(QStringLiteral("127.0.0.1"), QString::number(server.port()), QString::fromUtf8(c.type),
         QString::fromUtf8(TestSmtpServer::kUser), QString::fromUtf8(c.password));

    form->btnSmtpTest->click();

    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(lastBox().caption, shell::kCaption);
    EXPECT_EQ(lastBox().style, c.style) << utf8(lastBox().text);
    int from = 0;
    for (const char* part : c.parts) {
        const int at = lastBox().text.indexOf(QString::fromUtf8(part), from);
        EXPECT_GE(at, 0) << part << "\n in: " << utf8(lastBox().text);
        if (at >= 0) from = at;
    }
    if (*c.password) {
        EXPECT_FALSE(lastBox().text.contains(QString::fromUtf8(c.password)));
    }
    EXPECT_EQ(form->findChild<QProgressDialog*>(QStringLiteral("SmtpTestDialog")),
              nullptr);  // gone with the check
}

// STARTTLS alone is covered below the window, in the check's own tests.
// clang-format off
const ServerCase kServerCases[] = {
    {"PlainSmtp", Mode::Plain, false, "SMTP", "", false, shell::kStyleInformation,
     {"SMTPサーバーへの接続テストに成功しました", "に接続しました",
      "・名乗った名前（EHLO）: ", "・暗号化: なし"}},
    {"AuthAccepted", Mode::StartTls, true, "SMTP-AUTH", TestSmtpServer::kPassword, false,
     shell::kStyleInformation, {"成功しました", "・暗号化: TLSv1.", "・認証: 成功しました"}},
    {"WrongPassword", Mode::StartTls, true, "SMTP-AUTH", "wrong-pass", false, shell::kStyleWarning,
     {"認証が拒否されました。ユーザーIDかパスワードが間違っています。",
      "SMTP-AUTH用ﾕｰｻﾞｰIDとﾊﾟｽﾜｰﾄﾞを確かめてください。", "サーバーの応答:",
      "535 5.7.8 Authentication credentials invalid"}},
    {"UnknownCa", Mode::StartTls, false, "SMTP", "", true, shell::kStyleWarning,
     {"SMTPサーバーの証明書を信頼できません。", "認証局"}},
    {"SilentServer", Mode::Silent, false, "SMTP", "", false, shell::kStyleWarning,
     {"SMTPサーバーが1秒以内に応答しませんでした（時間切れ）。", "ポート番号を確かめてください"}},
};
// clang-format on

INSTANTIATE_TEST_SUITE_P(SmtpTest, SmtpTestWindowServers, testing::ValuesIn(kServerCases),
                         [](const auto& info) { return std::string(info.param.name); });

TEST_F(SmtpTestWindowTest, NothingListeningIsNamedAsARefusedConnection) {
    const int port = unusedPort();
    fill(QStringLiteral("127.0.0.1"), QString::number(port), QStringLiteral("SMTP"));
    form->btnSmtpTest->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(lastBox().style, shell::kStyleWarning);
    EXPECT_TRUE(lastBox().text.startsWith(
        QStringLiteral("SMTPサーバー 127.0.0.1:%1 に接続できません（接続拒否）。").arg(port)))
        << utf8(lastBox().text);
}

}  // namespace
