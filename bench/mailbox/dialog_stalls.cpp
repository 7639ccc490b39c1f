#include "dialog_stalls.h"

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QKeyEvent>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <cstdio>
#include <filesystem>
#include <functional>
#include <memory>
#include <sstream>
#include <stdexcept>

#include "bench_process.h"
#include "bench_screen_reader.h"
#include "bench_stall_meter.h"
#include "bench_window.h"
#include "dialogs/mailbox_dialog.h"
#include "mailbox/dovecot_server.h"
#include "shell/app_path.h"
#include "shell/fendrival_application.h"
#include "shell/message_box.h"
#include "store/project_store.h"
#include "temp_folder.h"

namespace mailboxbench {

namespace {

// Long enough to see the painting an action leaves behind.
constexpr int kTailMs = 200;
// The bench's mailbox yields a row per return, complaint and reply.
constexpr int kMailboxRows = 2500;

const std::vector<std::string> kNames = {
    "open the dialog",   "中止 during the read", "メールを読む to the report", "untick a row",
    "tick a row",        "表をコピー",           "配信停止リストに追加",       "report at the cap",
    "untick at the cap", "tick at the cap",      "表をコピー at the cap",      "追加 at the cap",
};

// A report as large as the reader ever gives, of the kinds and texts a real one holds.
std::unique_ptr<mailbox::Report> reportAtTheCap() {
    auto report = std::make_unique<mailbox::Report>();
    const mailbox::Kind kinds[] = {mailbox::Kind::Bounce,    mailbox::Kind::Bounce,
                                   mailbox::Kind::Temporary, mailbox::Kind::Policy,
                                   mailbox::Kind::Complaint, mailbox::Kind::OptOutRequest};
    report->rows.reserve(mailbox::kMaxRows);
    for (std::size_t i = 0; i < mailbox::kMaxRows; ++i) {
        mailbox::ReportRow row;
        row.finding.kind = kinds[i % 6];
        row.finding.address = "recipient" + std::to_string(i) + "@example.org";
        row.finding.status = "5.1.1";
        row.finding.diagnostic = "550 5.1.1 <" + row.finding.address +
                                 ">: Recipient address rejected: User unknown in virtual "
                                 "mailbox table";
        row.date = "2026-12-07 09:00";
        row.subject = "Undelivered Mail Returned to Sender";
        row.messageId = "<m" + std::to_string(i) + "@example.net>";
        row.groups = i % 2 ? "1, 3" : "";
        row.ticked = mailbox::tickedByDefault(row.finding.kind);
        report->counts[std::size_t(row.finding.kind)]++;
        report->rows.push_back(std::move(row));
    }
    report->mails = mailbox::kMaxRows;
    report->capped = true;
    return report;
}

Qt::CheckState tick(const QTableView& table, int row) {
    return table.model()->index(row, 0).data(Qt::CheckStateRole).value<Qt::CheckState>();
}

// The middle row the reader offers ticked: the one the user unticks and ticks again.
int tickedRowNearTheMiddle(const QTableView& table) {
    for (int r = table.model()->rowCount() / 2; r < table.model()->rowCount(); ++r)
        if (tick(table, r) == Qt::Checked) return r;
    throw std::runtime_error("no ticked row");
}

void pressSpace(QTableView& table) {
    QKeyEvent down(QEvent::KeyPress, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(&table, &down);
    QKeyEvent up(QEvent::KeyRelease, Qt::Key_Space, Qt::NoModifier, QStringLiteral(" "));
    QCoreApplication::sendEvent(&table, &up);
}

std::size_t lineCount(const std::string& path) {
    std::size_t lines = 0;
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (!file) return 0;
    for (int c; (c = std::fgetc(file)) != EOF;) lines += c == '\n';
    std::fclose(file);
    return lines;
}

class Run {
public:
    Run(int port, const std::string& appPath) : port_(port), appPath_(appPath) {}

    std::vector<bench::StallAction> actions() {
        return {
            {nullptr, [this] { open(); }, [this] { return dialog_->isVisible(); }},
            {[this] {
                 fillFields();
                 meetTable();
             },
             [this] { cancelDuringRead(); }, [this] { return cancelled_ && !dialog_->report(); }},
            {nullptr, [this] { button("btnMailboxRead")->click(); },
             [this] { return rowsShown() >= kMailboxRows; },
             [this] { return dialog_->report() != nullptr; }},
            untick(),
            tickAgain(),
            copy(),
            add(),
            {[this] {
                 open();
                 meetTable();
             },
             [this] { dialog_->showReport(std::move(capped_)); },
             [this] { return rowsShown() == int(mailbox::kMaxRows); }},
            untick(),
            tickAgain(),
            copy(),
            add(),
        };
    }

    std::vector<int> boxes;
    std::unique_ptr<mailbox::Report> capped_ = reportAtTheCap();

private:
    void open() {
        dialog_ = std::make_unique<MailboxDialog>(
            appPath_, "P",
            MailboxDialog::SmtpFields{QStringLiteral("127.0.0.1"),
                                      QString::fromLatin1(DovecotServer::kUser),
                                      QString::fromLatin1(DovecotServer::kPassword)});
        dialog_->show();
        dialog_->activateWindow();
    }

    QPushButton* button(const char* name) const {
        return dialog_->findChild<QPushButton*>(QString::fromLatin1(name));
    }

    // The table is what a screen reader has met before the report comes, so it hears the
    // report's rows arrive.
    void meetTable() {
        dialog_->table()->setFocus();
        QAccessible::queryAccessibleInterface(dialog_->table());
    }

    void fillFields() {
        dialog_->fillFromSmtp();
        dialog_->findChild<QLineEdit*>(QStringLiteral("txtMailboxPort"))
            ->setText(QString::number(port_));
    }

    // Clicks 中止 once the box counts the mail read.
    void cancelDuringRead() {
        cancelled_ = false;
        QTimer watch;
        QObject::connect(&watch, &QTimer::timeout, [this] {
            auto* box = dialog_->findChild<QProgressDialog*>(QStringLiteral("MailboxReadDialog"));
            if (cancelled_ || !box || !box->isVisible() ||
                !box->labelText().startsWith(QStringLiteral("返送メールを読んでいます")))
                return;
            cancelled_ = true;
            box->findChild<QPushButton*>()->click();
        });
        watch.start(20);
        button("btnMailboxRead")->click();
    }

    int rowsShown() const { return dialog_->table()->model()->rowCount(); }

    bench::StallAction untick() {
        return {[this] {
                    QTableView& table = *dialog_->table();
                    row_ = tickedRowNearTheMiddle(table);
                    table.setFocus();
                    table.setCurrentIndex(table.model()->index(row_, 0));
                    table.scrollTo(table.currentIndex());
                },
                [this] { pressSpace(*dialog_->table()); },
                [this] { return tick(*dialog_->table(), row_) == Qt::Unchecked; }};
    }

    bench::StallAction tickAgain() {
        return {nullptr, [this] { pressSpace(*dialog_->table()); },
                [this] { return tick(*dialog_->table(), row_) == Qt::Checked; }};
    }

    bench::StallAction copy() {
        return {[] { QApplication::clipboard()->clear(); },
                [this] { button("btnMailboxCopy")->click(); },
                [this] {
                    return QApplication::clipboard()->text().count(QLatin1Char('\n')) ==
                           rowsShown() + 1;
                },
                [] { return !QApplication::clipboard()->text().isEmpty(); }};
    }

    bench::StallAction add() {
        return {[this] { std::filesystem::remove(store::ProjectStore(appPath_).optOutPath()); },
                [this] { button("btnMailboxAdd")->click(); },
                [this] {
                    return !boxes.empty() && boxes.back() == shell::kStyleInformation &&
                           lineCount(store::ProjectStore(appPath_).optOutPath()) > 0;
                },
                [this] { return !dialog_->isVisible(); }};
    }

    int port_;
    std::string appPath_;
    std::unique_ptr<MailboxDialog> dialog_;
    bool cancelled_ = false;
    int row_ = 0;
};

// The offscreen platform warns at every dialog it shows that it cannot pass on the size
// hints; nothing to act on, and it would bury a real warning.
QtMessageHandler usualHandler = nullptr;

void quietAboutSizeHints(QtMsgType type, const QMessageLogContext& context, const QString& text) {
    if (text != QLatin1String("This plugin does not support propagateSizeHints()"))
        usualHandler(type, context, text);
}

}  // namespace

int runDialogStalls(int argc, char** argv, int port, const std::string& caFile, bool screenReader) {
    usualHandler = qInstallMessageHandler(quietAboutSizeHints);
    FendrivalApplication app(argc, argv);
    if (screenReader) bench::listenAsScreenReader();
    const bench::TempFolder folder;
    AppPath = folder.path();
    Run run(port, folder.path());
    shell::setMessageBoxResponder([&](const shell::MessageBoxCall& call) {
        run.boxes.push_back(call.style);
        return int(shell::kResultOk);
    });
    MailboxDialog::setEndpointHook([&](mailbox::Endpoint& e) {
        e.imapTlsPort = port;
        e.caFile = caFile;
    });
    if (!bench::runStallActions(run.actions(), kNames, kTailMs, bench::settle, [] { return true; }))
        return 1;
    MailboxDialog::setEndpointHook(nullptr);
    shell::setMessageBoxResponder(nullptr);
    return 0;
}

std::vector<bench::Check> compareDialogStalls(int port, const std::string& caFile, int runs) {
    const struct {
        const char* mode;
        const char* label;
    } listeners[] = {{"plain", "stall: "}, {"screen-reader", "stall, screen reader: "}};
    std::vector<bench::Check> gaps;
    for (const auto& listener : listeners) {
        bench::StallTable table(listener.label, kNames);
        for (int r = 0; r < runs; ++r) {
            const std::string output = bench::runChildOutput(
                {"--dialog-stalls", std::to_string(port), caFile, listener.mode});
            std::istringstream lines(output);
            std::size_t seen = 0;
            for (std::string line; std::getline(lines, line);) seen += table.take(line);
            if (seen != kNames.size())
                throw std::runtime_error("a stall run stopped early: " + output);
        }
        for (std::size_t i = 0; i < kNames.size(); ++i) {
            table.printTotal(i);
            gaps.push_back(std::move(table.gaps[i]));
        }
    }
    return gaps;
}

}  // namespace mailboxbench
