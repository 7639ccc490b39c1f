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
