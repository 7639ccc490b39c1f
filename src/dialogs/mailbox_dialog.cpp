#include "dialogs/mailbox_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QDateTime>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QProgressDialog>
#include <QPushButton>
#include <QTableView>
#include <QTimer>
#include <QVBoxLayout>

#include "dialogs/mailbox_report_model.h"
#include "dialogs/mailbox_result_text.h"
#include "dialogs/manual_window.h"
#include "dialogs/window_look.h"
#include "recipients/address_check.h"
#include "shell/error_report.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "smtp/check_report.h"
#include "smtp/server_address.h"
#include "store/project_store.h"

namespace {

std::function<void(mailbox::Endpoint&)>& endpointHook() {
    static std::function<void(mailbox::Endpoint&)> hook;
    return hook;
}

QString q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

QLineEdit* field(QWidget* parent, const char* name, const QString& accessible, bool latin) {
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setAccessibleName(accessible);
    if (latin) edit->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    return edit;
}

}  // namespace

void MailboxDialog::setEndpointHook(std::function<void(mailbox::Endpoint&)> hook) {
    endpointHook() = std::move(hook);
}

MailboxDialog::MailboxDialog(std::string appPath, std::string project, SmtpFields smtp,
                             QWidget* parent)
    : QDialog(parent),
      appPath_(std::move(appPath)),
      project_(std::move(project)),
      smtp_(std::move(smtp)) {
    setObjectName(QStringLiteral("MailboxDialog"));
    setWindowTitle(QStringLiteral("返送メール取込"));
    setFont(windowlook::windowFont());
    resize(900, 620);
    const store::ProjectStore store(appPath_);
    const mailbox::Settings saved = mailbox::loadSettings(store.mailboxSettingsPath(project_));

    auto* box = new QGroupBox(QStringLiteral("受信メールボックス"), this);
    protocol_ = new QComboBox(box);
    protocol_->setObjectName(QStringLiteral("cmbMailboxProtocol"));
    protocol_->setAccessibleName(QStringLiteral("受信方式"));
    protocol_->addItems({QStringLiteral("IMAP"), QStringLiteral("POP3")});
    protocol_->setCurrentIndex(saved.protocol == mailbox::Protocol::Pop3 ? 1 : 0);
    server_ = field(box, "txtMailboxServer", QStringLiteral("受信サーバー"), true);
    server_->setText(q(saved.server));
    port_ = field(box, "txtMailboxPort", QStringLiteral("受信ポート"), true);
    port_->setText(q(saved.port));
    port_->setMaxLength(5);
    port_->setToolTip(
        QStringLiteral("993（IMAP）と995（POP3）は接続時からTLS、143と110はSTARTTLSです。"));
    user_ = field(box, "txtMailboxUser", QStringLiteral("受信ユーザーID"), true);
    user_->setText(q(saved.user));
    password_ = field(box, "txtMailboxPassword", QStringLiteral("受信パスワード"), true);
    password_->setEchoMode(QLineEdit::Password);
    password_->setText(q(saved.password));
    folder_ = field(box, "txtMailboxFolder", QStringLiteral("IMAPフォルダー"), true);
    folder_->setText(q(saved.folder));
    auto* same = new QPushButton(QStringLiteral("SMTPと同じ"), box);
    same->setObjectName(QStringLiteral("btnMailboxSameAsSmtp"));
    same->setAccessibleName(QStringLiteral("SMTPと同じ"));
    auto* test = new QPushButton(QStringLiteral("接続テスト"), box);
    test->setObjectName(QStringLiteral("btnMailboxTest"));
    test->setAccessibleName(QStringLiteral("受信の接続テスト"));
    auto* read = new QPushButton(QStringLiteral("メールを読む"), box);
    read->setObjectName(QStringLiteral("btnMailboxRead"));
    read->setAccessibleName(QStringLiteral("返送メールを読む"));
    read->setDefault(true);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("受信方式"), protocol_);
    auto* serverRow = new QHBoxLayout;
    serverRow->addWidget(server_, 1);
    serverRow->addWidget(new QLabel(QStringLiteral("ポート"), box));
    serverRow->addWidget(port_);
    port_->setFixedWidth(70);
    form->addRow(QStringLiteral("サーバー"), serverRow);
    form->addRow(QStringLiteral("ユーザーID"), user_);
    form->addRow(QStringLiteral("パスワード"), password_);
    form->addRow(QStringLiteral("フォルダー"), folder_);
    auto* actions = new QHBoxLayout;
    actions->addWidget(same);
    actions->addWidget(test);
    actions->addStretch(1);
    actions->addWidget(read);
    auto* boxLayout = new QVBoxLayout(box);
    boxLayout->addLayout(form);
    boxLayout->addLayout(actions);

    counts_ = new QLabel(QStringLiteral("「メールを読む」で、前回から届いたメールを読みます。"
                                        "メールボックスのメールは削除も既読にもしません。"),
                         this);
    counts_->setObjectName(QStringLiteral("lblMailboxCounts"));
    counts_->setAccessibleName(QStringLiteral("種類ごとの件数"));
    counts_->setWordWrap(true);
    // A model over the report rather than an item per cell: the report may hold
    // mailbox::kMaxRows rows, and the window must not stop while it fills.
    model_ = new MailboxReportModel(this);
    table_ = new QTableView(this);
    table_->setObjectName(QStringLiteral("tblMailboxReport"));
    table_->setAccessibleName(QStringLiteral("返送メールの一覧"));
    table_->setModel(model_);
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->verticalHeader()->setVisible(false);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Widths from the first rows only: laying out a thousand rows of text to size the
    // columns would hold the window up.
    table_->horizontalHeader()->setResizeContentsPrecision(500);

    auto* buttons = new QDialogButtonBox(this);
    copy_ = buttons->addButton(QStringLiteral("表をコピー"), QDialogButtonBox::ActionRole);
    copy_->setObjectName(QStringLiteral("btnMailboxCopy"));
    copy_->setAccessibleName(QStringLiteral("表をコピー"));
    add_ = buttons->addButton(QStringLiteral("配信停止リストに追加"), QDialogButtonBox::AcceptRole);
    add_->setObjectName(QStringLiteral("btnMailboxAdd"));
    add_->setAccessibleName(QStringLiteral("配信停止リストに追加"));
    auto* cancel = buttons->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    cancel->setObjectName(QStringLiteral("btnMailboxCancel"));
    cancel->setAccessibleName(QStringLiteral("キャンセル"));
    manual::addHelp(this, buttons, "bounces.md");
    copy_->setEnabled(false);
    add_->setEnabled(false);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(box);
    layout->addWidget(counts_);
    layout->addWidget(table_, 1);
    layout->addWidget(buttons);

    connect(protocol_, &QComboBox::currentIndexChanged, this, [this] { protocolChanged(); });
    connect(same, &QPushButton::clicked, this, [this] { fillFromSmtp(); });
    connect(test, &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { testConnection(); }); });
    connect(read, &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { readMail(); }); });
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(tableText()); });
    connect(add_, &QPushButton::clicked, this, [this] {
        shell::runHandler([this] {
            if (addTicked()) accept();
        });
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    folder_->setEnabled(protocol_->currentIndex() == 0);
}

MailboxDialog::~MailboxDialog() = default;

QTableView* MailboxDialog::table() const {
    return table_;
}

const mailbox::Report* MailboxDialog::report() const {
    return model_->report();
}

void MailboxDialog::run() {
    showOrScript(*this);
}

mailbox::Settings MailboxDialog::settings() const {
    mailbox::Settings s;
    s.protocol = protocol_->currentIndex() == 1 ? mailbox::Protocol::Pop3 : mailbox::Protocol::Imap;
    s.server = server_->text().trimmed().toStdString();
    s.port = port_->text().trimmed().toStdString();
    s.user = user_->text().trimmed().toStdString();
    s.password = password_->text().toStdString();
    s.folder = folder_->text().trimmed().toStdString();
    if (s.folder.empty()) s.folder = "INBOX";
    return s;
}

void MailboxDialog::protocolChanged() {
    const bool pop3 = protocol_->currentIndex() == 1;
    folder_->setEnabled(!pop3);
    // The other protocol's usual port follows the choice; a port typed by hand stays.
    const QString port = port_->text().trimmed();
    if (port.isEmpty() || port == QStringLiteral("993") || port == QStringLiteral("995"))
        port_->setText(pop3 ? QStringLiteral("995") : QStringLiteral("993"));
    else if (port == QStringLiteral("143") || port == QStringLiteral("110"))
        port_->setText(pop3 ? QStringLiteral("110") : QStringLiteral("143"));
}

void MailboxDialog::fillFromSmtp() {
    server_->setText(smtp_.server.trimmed());
    user_->setText(smtp_.user.trimmed());
    password_->setText(smtp_.password);
}

std::optional<mailbox::Endpoint> MailboxDialog::endpointOrWarn() {
    const mailbox::Settings s = settings();
    if (const auto refusal = smtp::refusalFor(s.server, s.port, true, s.user)) {
        QWidget* focus = *refusal == smtp::Refusal::BadPort  ? static_cast<QWidget*>(port_)
                         : *refusal == smtp::Refusal::NoUser ? static_cast<QWidget*>(user_)
                                                             : static_cast<QWidget*>(server_);
        msgbox::warning(q(smtp::refusalText(*refusal)));
        focus->setFocus();
        return std::nullopt;
    }
    if (s.protocol == mailbox::Protocol::Imap && mailbox::imapFolderRefused(s.folder)) {
        msgbox::warning(QStringLiteral("IMAPフォルダー名に制御文字は使えません。"));
        folder_->setFocus();
        return std::nullopt;
    }
    mailbox::Endpoint endpoint = mailbox::endpointFor(s);
    if (endpointHook()) endpointHook()(endpoint);
    return endpoint;
}

void MailboxDialog::testConnection() {
    auto endpoint = endpointOrWarn();
    if (!endpoint) return;
    const std::string folder = settings().folder;
    mailboxtext::Outcome outcome;
    offthread::wait(
        offthread::box(
            offthread::Cancel::Stop, this, QStringLiteral("MailboxTestDialog"),
            QStringLiteral("接続テスト"),
            QStringLiteral("受信サーバー %1 に接続しています…")
                .arg(q(smtp::hostForUrl(endpoint->server) + ":" + std::to_string(endpoint->port))),
            QStringLiteral("中止")),
        [&](const offthread::Stop& stop) {
            outcome = mailboxtext::check(*endpoint, folder, stop);
        });
    endpoint->password.assign(endpoint->password.size(), '\0');
    if (outcome.cancelled) return;
    if (outcome.ok)
        msgbox::information(outcome.text);
    else
        msgbox::warning(outcome.text);
}

bool MailboxDialog::readMail() {
    auto endpoint = endpointOrWarn();
    if (!endpoint) return false;
    const store::ProjectStore store(appPath_);
    store.ensureProjectFolder(project_);
    mailbox::saveSettings(store.mailboxSettingsPath(project_), settings());

    mailbox::Progress progress;
    std::atomic<int> permille{0};
    auto how =
        offthread::box(offthread::Cancel::Stop, this, QStringLiteral("MailboxReadDialog"),
                       QStringLiteral("返送メール取込"),
                       QStringLiteral("メールボックスに接続しています…"), QStringLiteral("中止"));
    how.permille = &permille;
    // The box's text follows the count read so far.
    QTimer ticker;
    connect(&ticker, &QTimer::timeout, this, [this, &progress, &permille] {
        const std::size_t total = progress.total.load();
        const std::size_t done = progress.done.load();
        if (total > 0) permille = int(done * 1000 / total);
        if (auto* box = findChild<QProgressDialog*>(QStringLiteral("MailboxReadDialog")))
            if (total > 0)
                box->setLabelText(
                    QStringLiteral("返送メールを読んでいます… %1 / %2 通").arg(done).arg(total));
    });
    ticker.start(100);
    const std::string folder = settings().folder;
    const QString today = QDate::currentDate().toString(QStringLiteral("yyyy-MM-dd"));
    std::unique_ptr<mailbox::Report> report;
    std::optional<mailbox::Outcome> failure;
    offthread::wait(how, [&](const offthread::Stop& stop) {
        try {
            report = std::make_unique<mailbox::Report>(mailbox::readReport(
                store, project_, *endpoint, folder, progress, stop, today.toStdString()));
        } catch (const mailbox::WireFailure& thrown) {
            failure = thrown.outcome;
        }
    });
    ticker.stop();
    endpoint->password.assign(endpoint->password.size(), '\0');
    if (failure) {
        if (failure->failure == smtp::Failure::Cancelled) return false;
        msgbox::warning(mailboxtext::failureText(*failure));
        return false;
    }
    if (!report) return false;  // cancelled as it ended
    showReport(std::move(report));
    return true;
}

void MailboxDialog::showReport(std::unique_ptr<mailbox::Report> report) {
    QStringList parts;
    for (std::size_t kind = 0; kind < mailbox::kKindCount; ++kind)
        parts << QStringLiteral("%1 %2通")
                     .arg(q(mailbox::kindName(mailbox::Kind(kind))))
                     .arg(report->counts[kind]);
    QString counts = QStringLiteral("新しいメール %1 通: ").arg(report->mails) +
                     parts.join(QStringLiteral("、"));
    if (report->capped)
        counts +=
            QStringLiteral("\n宛先の多すぎる報告があったため、一部の宛先は一覧にありません。");
    counts_->setText(counts);
    model_->setReport(std::move(report));
    table_->resizeColumnsToContents();
    // Long server texts and subjects wrap rather than push the groups out of sight.
    for (const auto& [column, widest] :
         {std::pair{MailboxReportModel::Status, 320}, std::pair{MailboxReportModel::Subject, 260}})
        if (table_->columnWidth(column) > widest) table_->setColumnWidth(column, widest);
    copy_->setEnabled(true);
    add_->setEnabled(true);
}

QString MailboxDialog::tableText() const {
    const mailbox::Report* shown = model_->report();
    if (!shown) return QString();
    return QString::fromStdString(
        offthread::holdingInput([shown] { return MailboxReportModel::tableText(*shown); }));
}

bool MailboxDialog::addTicked() {
    const mailbox::Report* shown = model_->report();
    if (!shown) return false;
    const store::ProjectStore store(appPath_);
    const std::string now =
        QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm")).toStdString();
    mailbox::Addition addition;
    offthread::holdingInput([&] { addition = mailbox::addTicked(store, project_, *shown, now); });
    QString text = QStringLiteral("配信停止リストに %1 件追加しました。").arg(addition.added);
    if (addition.alreadyListed > 0)
        text += QStringLiteral("\n%1 件は既にリストにありました。").arg(addition.alreadyListed);
    if (!addition.refused.empty()) {
        text += QStringLiteral("\n\nアドレスとして使えないため追加しなかったもの:");
        for (std::size_t i = 0; i < addition.refused.size() && i < 20; ++i)
            text += QStringLiteral("\n・") + q(addition.refused[i].address);
        if (addition.refused.size() > 20)
            text += QStringLiteral("\n…ほか %1 件").arg(addition.refused.size() - 20);
    }
    msgbox::information(text);
    return true;
}
