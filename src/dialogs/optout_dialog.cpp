#include "dialogs/optout_dialog.h"

#include <QDialogButtonBox>
#include <QFileDialog>
#include <QHBoxLayout>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QVBoxLayout>

#include "dialogs/busy_cursor.h"
#include "dialogs/optout_model.h"
#include "dialogs/recipient_import_flow.h"
#include "dialogs/recipient_texts.h"
#include "dialogs/window_look.h"
#include "recipients/address_check.h"
#include "recipients/field_lines.h"
#include "recipients/half_width.h"
#include "shell/error_report.h"
#include "shell/message_box.h"
#include "store/atomic_file.h"
#include "store/cp932.h"
#include "store/optout_file.h"

namespace {

constexpr int kNamedRefusals = 20;

void warn(const QString& text) {
    shell::showMessageBox(text, shell::kCaption, shell::kStyleWarning);
}

// A CSV field as Excel reads it back: quoted only when it must be.
std::string csvField(const std::string& bytes) {
    if (bytes.find_first_of(",\"\r\n") == std::string::npos) return bytes;
    std::string quoted = "\"";
    for (std::size_t i = 0; i < bytes.size(); i += store::cp932::charLength(bytes, i)) {
        const std::size_t length = store::cp932::charLength(bytes, i);
        if (length == 1 && bytes[i] == '"') quoted += '"';
        quoted.append(bytes, i, length);
    }
    return quoted + "\"";
}

QPushButton* addButton(QDialogButtonBox* box, const QString& text) {
    return box->addButton(text, QDialogButtonBox::ActionRole);
}

}  // namespace

OptOutDialog::OptOutDialog(std::string storePath, QWidget* parent)
    : QDialog(parent), storePath_(std::move(storePath)) {
    setObjectName(QStringLiteral("OptOutDialog"));
    setWindowTitle(QStringLiteral("配信停止リスト"));
    setFont(windowlook::windowFont());
    resize(560, 520);

    model_ = new OptOutModel(this);
    model_->load(store::optoutfile::read(storePath_));
    filtered_ = new QSortFilterProxyModel(this);
    filtered_->setSourceModel(model_);
    filtered_->setFilterCaseSensitivity(Qt::CaseInsensitive);

    auto* note = new QLabel(
        QStringLiteral("このリストのアドレスには、どのプロジェクトからもメールを送りません。"
                       "グループの保存、ファイルからの読込、宛先チェック、送信実行用バッチファイル"
                       "の出力で、リストのアドレスを除きます。"),
        this);
    note->setWordWrap(true);
    countLabel_ = new QLabel(this);
    countLabel_->setObjectName(QStringLiteral("optOutCount"));
    filter_ = new QLineEdit(this);
    filter_->setObjectName(QStringLiteral("optOutFilter"));
    filter_->setPlaceholderText(QStringLiteral("絞り込み"));
    filter_->setAccessibleName(QStringLiteral("配信停止リストの絞り込み"));
    filter_->setClearButtonEnabled(true);
    filter_->setInputMethodHints(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    connect(filter_, &QLineEdit::textChanged, filtered_,
            &QSortFilterProxyModel::setFilterFixedString);

    view_ = new QListView(this);
    view_->setObjectName(QStringLiteral("optOutList"));
    view_->setAccessibleName(QStringLiteral("配信停止リストのアドレス"));
    view_->setModel(filtered_);
    view_->setUniformItemSizes(true);  // a hundred thousand rows need no measuring
    view_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    view_->setEditTriggers(QAbstractItemView::NoEditTriggers);

    auto* tools = new QDialogButtonBox(this);
    connect(addButton(tools, QStringLiteral("追加…")), &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { addChosen(); }); });
    connect(addButton(tools, QStringLiteral("選択を削除")), &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { removeSelected(); }); });
    connect(addButton(tools, QStringLiteral("ファイルから読込…")), &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { importChosen(); }); });
    connect(addButton(tools, QStringLiteral("CSVへ書き出し…")), &QPushButton::clicked, this,
            [this] { shell::runHandler([this] { exportChosen(); }); });

    auto* closing = new QDialogButtonBox(this);
    saveButton_ = closing->addButton(QStringLiteral("保存"), QDialogButtonBox::AcceptRole);
    auto* cancel = closing->addButton(QStringLiteral("キャンセル"), QDialogButtonBox::RejectRole);
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        // A list that could not be written keeps the dialog open with the edits.
        shell::runHandler([this] {
            save();
            accept();
        });
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(countLabel_);
    top->addStretch(1);
    top->addWidget(filter_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(tools);
    layout->addWidget(closing);
    connect(model_, &QAbstractItemModel::modelReset, this, &OptOutDialog::showCount);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &OptOutDialog::showCount);
    showCount();
}

OptOutDialog::~OptOutDialog() = default;

std::size_t OptOutDialog::count() const {
    return std::size_t(model_->rowCount());
}

void OptOutDialog::showCount() {
    countLabel_->setText(recipienttext::number(count()) + QStringLiteral("件"));
}

void OptOutDialog::addAddresses(const QString& lines) {
    QStringList refused;
    std::size_t refusedCount = 0;
    const std::string text = lines.toStdString();
    recipients::forEachFieldLine(text, [&](std::size_t index, std::string_view line) {
        const std::string half = recipients::toHalfWidth(recipients::trimBlanks(line));
        if (half.empty()) return;
        const std::string_view address = recipients::extractAddress(half);
        const auto fault = recipients::checkAddress(address);
        if (fault == recipients::AddressFault::None) {
            model_->add(QString::fromStdString(std::string(address)));
        } else if (++refusedCount <= kNamedRefusals) {
            refused << QStringLiteral("%1 行目: %2（%3）")
                           .arg(index + 1)
                           .arg(QString::fromStdString(std::string(line)).trimmed(),
                                recipienttext::fault(fault));
        }
    });
    if (refusedCount == 0) return;
    QString message =
        QStringLiteral("次の %1 行はアドレスとして正しくないため、追加しませんでした。\n\n")
            .arg(refusedCount) +
        refused.join(QLatin1Char('\n'));
    if (refusedCount > kNamedRefusals)
        message += QStringLiteral("\nほか %1 行").arg(refusedCount - kNamedRefusals);
    warn(message);
}

void OptOutDialog::removeSelected() {
    std::vector<int> rows;
    for (const QModelIndex& index : view_->selectionModel()->selectedIndexes())
        rows.push_back(filtered_->mapToSource(index).row());
    if (!rows.empty()) model_->removeRows(rows);
}

void OptOutDialog::importFrom(const QString& path) {
    std::string listed;
    for (const std::string& bytes : model_->entries())
        listed += store::cp932::toUtf8Lossy(bytes) + "\n";
    // The opt-out list takes every address, opted out or not: no list applies to it.
    const auto chosen = recipientimport::ask(this, path, std::move(listed), nullptr);
    if (!chosen) return;
    BusyCursor busy;
    std::vector<QString> addresses;
    recipients::forEachFieldLine(chosen->text, [&](std::size_t, std::string_view line) {
        if (!line.empty()) addresses.push_back(QString::fromStdString(std::string(line)));
    });
    if (chosen->replace) {
        model_->replaceAll(addresses);
    } else {
        for (const QString& address : addresses) model_->add(address);
    }
}

void OptOutDialog::exportTo(const QString& path) {
    std::string csv = *store::cp932::fromUtf8("メールアドレス") + "\r\n";
    for (const std::string& bytes : model_->entries()) csv += csvField(bytes) + "\r\n";
    store::textfile::writeAll(QFile::encodeName(path).toStdString(), csv);
}

void OptOutDialog::save() {
    BusyCursor busy;
    store::optoutfile::write(storePath_, model_->entries());
}

void OptOutDialog::addChosen() {
    bool ok = false;
    const QString text = QInputDialog::getMultiLineText(
        this, QStringLiteral("配信停止リストに追加"),
        QStringLiteral("アドレスを 1 行に 1 つずつ入力するか、貼り付けてください。"), QString(),
        &ok);
    if (ok) addAddresses(text);
}

void OptOutDialog::importChosen() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("配信停止リストに読み込むファイル"), QString(),
        QStringLiteral("CSV・テキストファイル (*.csv *.txt *.tsv);;すべてのファイル (*)"));
    if (!path.isEmpty()) importFrom(path);
}

void OptOutDialog::exportChosen() {
    const QString path = QFileDialog::getSaveFileName(
        this, QStringLiteral("配信停止リストの書き出し"), QStringLiteral("配信停止リスト.csv"),
        QStringLiteral("CSVファイル (*.csv)"));
    if (!path.isEmpty()) exportTo(path);
}
