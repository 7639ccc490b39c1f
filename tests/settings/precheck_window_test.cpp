// "送信前チェック…" in the window, against a real DNS server on 127.0.0.1.
#include <QApplication>
#include <QClipboard>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <cstdlib>

#include "dialogs/precheck_result_dialog.h"
#include "precheck/test_dns_server.h"
#include "precheck/test_zones.h"
#include "settings_fixture.h"

namespace {

class PrecheckWindowTest : public SettingsWindowTest {
protected:
    ~PrecheckWindowTest() override {
        unsetenv("FENDRIVAL_DNS_SERVER");
        PrecheckResultDialog::setScript(nullptr);
    }
    // A project where every check fails: a sender domain without mail, SPF fail, no DMARC
    // at 6,000 Gmail recipients, no PTR, a day and more of pauses, and a bare body.
    void loadFailingProject() {
        writeIni("P", {{"SMTPServer", kUnnamedAddress},
                       {"送信元メールアドレス", "info@nothing.test"},
                       {"PauseInterval", "1"},
                       {"PauseTime", "60"},
                       {"GROUPCOUNT", "1"}});
        std::string list;
        for (int i = 0; i < 6000; ++i) list += "user" + std::to_string(i) + "@gmail.com,0\r\n";
        writeProjectFile("P", "list.txt", list);
        writeProjectFile("P", "Group-0.txt", sj("春の案内") + "\r\n");
        writeProjectFile("P", "Body-0.txt", sj("こんにちは"));
        load({"P"}, 0);
    }
};

TEST_F(PrecheckWindowTest, ResultNamesEveryFailedCheck) {
    TestDnsServer dns(testZones());
    setenv("FENDRIVAL_DNS_SERVER", dns.address().c_str(), 1);
    loadFailingProject();
    const auto before = snapshot();
    QString report;
    int rows = 0;
    PrecheckResultDialog::setScript([&](PrecheckResultDialog& dialog) {
        rows = dialog.resultTable()->rowCount();
        QApplication::clipboard()->clear();
        dialog.copyButton()->click();
        report = QApplication::clipboard()->text();
    });
    form->btnPrecheck->click();
    EXPECT_TRUE(boxes.calls().empty()) << utf8(lastBox().text);
    const std::string text = utf8(report);
    // Domain, free mail, SPF, DMARC, DKIM, PTR, volume, unsubscribe, run length, 4 legal.
    EXPECT_EQ(rows, 13) << text;
    for (const char* expected :
         {"[問題] 送信元ドメイン（nothing.test）の受信設定",
          "[問題] SPF（nothing.test → 192.0.2.30）", "SPFの判定: fail",
          "[問題] DMARC（nothing.test）", "[注意] DKIM", "[問題] 逆引きDNS（192.0.2.30）",
          "[注意] 宛先ドメイン別の件数", "gmail.com 6,000件", "[注意] ワンクリック配信停止",
          "[注意] 送信にかかる時間", "4日3時間59分", "[問題] 法定表示（グループ1「春の案内」）",
          "法的な助言ではありません"})
        EXPECT_NE(text.find(expected), std::string::npos) << expected << "\n" << text;
    EXPECT_EQ(snapshot(), before);  // nothing is stored
}

// A record in error and a look-up without answer, each as the window words it.
TEST_F(PrecheckWindowTest, SpfErrorsAreNamedWithWhatToDo) {
    TestDnsServer dns(testZones());
    setenv("FENDRIVAL_DNS_SERVER", dns.address().c_str(), 1);
    const struct {
        const char* sender;
        const char* row;  // verdict, item, finding and advice as the copied result gives them
    } rows[] = {
        {"info@loop.test",
         "[問題] SPF（loop.test → 192.0.2.10）\n"
         "SPFの判定: permerror（SPFレコードに誤りがあります: loop.test のレコードの「include:loop."
         "test」でDNS参照が上限の10回を超えます。include: と redirect= の先も合わせて数えます）"
         "。SPFレコード: v=spf1 include:loop.test -all\n"
         "対処: "
         "受信側はこのSPFレコードを読めず、認証の失敗として扱います。ドメインの管理者に、上の項目の"
         "修正を依頼してください。"},
        {"info@temp.test",
         "[注意] SPF（temp.test → 192.0.2.10）\n"
         "SPFの判定: temperror（gone.invalid のDNS参照に応答が得られませんでした）。SPFレコード: "
         "v=spf1 include:gone.invalid -all\n"
         "対処: "
         "DNSサーバーから時間内に応答がありませんでした。ネットワークを確認し、もう一度チェックし"
         "てください。"},
    };
    for (const auto& row : rows) {
        writeIni("P", {{"SMTPServer", kServerAddress},
                       {"送信元メールアドレス", row.sender},
                       {"GROUPCOUNT", "1"}});
        load({"P"}, 0);
        QString report;
        PrecheckResultDialog::setScript([&](PrecheckResultDialog& dialog) {
            QApplication::clipboard()->clear();
            dialog.copyButton()->click();
            report = QApplication::clipboard()->text();
        });
        form->btnPrecheck->click();
        const std::string text = utf8(report);
        EXPECT_NE(text.find(row.row), std::string::npos) << row.row << "\n---\n" << text;
        EXPECT_EQ(text.find("invalid)"), std::string::npos) << text;
    }
}

TEST_F(PrecheckWindowTest, CancelEndsTheWaitAndShowsNoResult) {
    // Nothing answers there: each look-up would wait its 5 s.
    const SilentDnsPort quiet;
    setenv("FENDRIVAL_DNS_SERVER", quiet.address().c_str(), 1);
    loadFailingProject();
    bool shown = false;
    PrecheckResultDialog::setScript([&](PrecheckResultDialog&) { shown = true; });
    bool progressSeen = false;
    QTimer::singleShot(400, form.get(), [&] {
        if (auto* box = form->findChild<QProgressDialog*>(QStringLiteral("PrecheckProgress"))) {
            progressSeen = box->isVisible();
            box->cancel();
        }
    });
    form->btnPrecheck->click();
    EXPECT_TRUE(progressSeen);
    EXPECT_FALSE(shown);
    EXPECT_TRUE(boxes.calls().empty()) << utf8(lastBox().text);
}

}  // namespace
