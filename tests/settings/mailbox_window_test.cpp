#include <QAccessible>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>

#include <QLabel>
#include <QListView>

#include "dialogs/mailbox_dialog.h"
#include "dialogs/optout_dialog.h"
#include "mailbox/dovecot_server.h"
#include "settings_fixture.h"
#include "smtp/test_smtp_server.h"
#include "store/project_store.h"

namespace {

using MailboxWindowTest = SettingsWindowTest;

// The dialog over a real Dovecot holding the sample mails: the report's ticks, the user's
// untick, and what reaches the disk; a second run finds nothing new.
TEST_F(MailboxWindowTest, ReportTicksBouncesAndComplaintsAndAddsWhatIsTicked) {
    setenv("TZ", "UTC", 1);
    DovecotServer server;
    ASSERT_TRUE(server.running());
    std::vector<std::filesystem::path> samples;
    for (const auto& entry : std::filesystem::directory_iterator(MAILBOX_SAMPLES_DIR))
        samples.push_back(entry.path());
    std::sort(samples.begin(), samples.end());
    for (const auto& path : samples) {
        std::ifstream in(path, std::ios::binary);
        std::ostringstream bytes;
        bytes << in.rdbuf();
        server.deliver(bytes.str());
    }
    writeIni("P", {{"SMTPSERVER", "127.0.0.1"}, {"SMTPID", DovecotServer::kUser}});
    load({"P"}, 0);
    form->txtSmtpPwd->setText(QString::fromLatin1(DovecotServer::kPassword));
    MailboxDialog::setEndpointHook([&](mailbox::Endpoint& e) {
        e.imapTlsPort = server.imapsPort;
        e.caFile = testCertificates().caFile;
    });
    int runs = 0;
    MailboxDialog::setScript([&](MailboxDialog& dialog) {
        ++runs;
        dialog.fillFromSmtp();
        dialog.findChild<QLineEdit*>(QStringLiteral("txtMailboxPort"))
            ->setText(QString::number(server.imapsPort));
        ASSERT_TRUE(dialog.readMail());
        QAbstractItemModel* table = dialog.table()->model();
        const auto cell = [table](int row) { return table->index(row, 0); };
        if (runs == 2) {
            EXPECT_EQ(table->rowCount(), 0);
            return;
        }
        ASSERT_EQ(table->rowCount(), 18);
        QStringList ticked;
        for (int r = 0; r < table->rowCount(); ++r)
            if (cell(r).data(Qt::CheckStateRole) == Qt::Checked)
                ticked << cell(r).data().toString();
        EXPECT_EQ(ticked.join(' ').toStdString(),
                  "gone@example.org closed@example.jp \"x,y\"@example.org complainer@example.com "
                  "hanako@example.co.jp nobody@example.org lost@example.org slow@example.org");
        // The policy refusal cannot be ticked; the user unticks one complaint.
        // A screen reader hears each address and its tick.
        QAccessibleInterface* first =
            QAccessible::queryAccessibleInterface(dialog.table())->tableInterface()->cellAt(0, 0);
        EXPECT_EQ(first->text(QAccessible::Name).toStdString(), "gone@example.org");
        EXPECT_TRUE(first->state().checkable && first->state().checked);
        EXPECT_FALSE(table->setData(cell(1), Qt::Checked, Qt::CheckStateRole));
        EXPECT_TRUE(table->setData(cell(6), Qt::Unchecked, Qt::CheckStateRole));
        // What 表をコピー takes: the user's untick shows, and the code is not said twice.
        const QStringList copied = dialog.tableText().split(QLatin1Char('\n'));
        ASSERT_EQ(copied.size(), 20);
        EXPECT_EQ(copied[0].toStdString(),
                  "アドレス\t種類\t状態と診断\t日付\t件名\tこのプロジェクトのグループ\t追加");
        EXPECT_EQ(copied[1].toStdString(),
                  "gone@example.org\t不達\t550 5.1.1 <gone@example.org>: Recipient address "
                  "rejected: User unknown in local recipient table\t2026-12-07 09:00\t"
                  "Undelivered Mail Returned to Sender\t\t○");
        EXPECT_EQ(copied[7].toStdString(),
                  "complainer@example.com\t苦情\tabuse\t2026-12-07 10:00\tFW: Info\t\t");
        if (const char* folder = std::getenv("FENDRIVAL_SCREENSHOT_DIR"))
            dialog.grab().save(QString::fromLocal8Bit(folder) + "/mailbox-dialog.png");
        EXPECT_TRUE(dialog.addTicked());
    });
    form->btnMailbox->click();
    MailboxDialog::setScript(nullptr);
    EXPECT_EQ(app.read("optout.txt"),
              "gone@example.org\r\nclosed@example.jp\r\nhanako@example.co.jp\r\n"
              "nobody@example.org\r\nlost@example.org\r\nslow@example.org\r\n");
    EXPECT_EQ(app.mode("Mail/P/Mailbox.ini"), 0600u);
    EXPECT_TRUE(lastBox().text.startsWith(QStringLiteral("配信停止リストに 6 件追加しました。")));

    MailboxDialog::setScript([&](MailboxDialog& dialog) {
        ++runs;
        dialog.findChild<QLineEdit*>(QStringLiteral("txtMailboxPassword"))
            ->setText(QString::fromLatin1(DovecotServer::kPassword));
        ASSERT_TRUE(dialog.readMail());
        EXPECT_EQ(dialog.table()->model()->rowCount(), 0);
    });
    form->btnMailbox->click();
    MailboxDialog::setScript(nullptr);
    MailboxDialog::setEndpointHook(nullptr);
    EXPECT_EQ(runs, 2);

    // The opt-out list tells each address's reason from the journal, and journals its own.
    OptOutDialog optOut(store::ProjectStore(app.path()).optOutPath());
    optOut.listView()->setCurrentIndex(optOut.listView()->model()->index(0, 0));
    EXPECT_TRUE(optOut.findChild<QLabel*>(QStringLiteral("optOutReason"))
                    ->text()
                    .startsWith(QStringLiteral("追加理由: 不達 5.1.1　追加日: ")));
    optOut.addAddresses(QStringLiteral("typed@example.com"));
    ASSERT_TRUE(optOut.save());
    const std::string journal = app.read("optout-journal.csv");
    EXPECT_EQ(std::count(journal.begin(), journal.end(), '\n'), 8);
    EXPECT_NE(journal.find("\"typed@example.com\",\"" + sj("手入力") + "\",\"\",\"\"\r\n"),
              std::string::npos);
}

}  // namespace
