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
#include <stdexcept>

#include "dialogs/manual_window.h"
#include "dialogs/optout_journal_view.h"
#include "dialogs/optout_model.h"
#include "dialogs/recipient_import_flow.h"
#include "dialogs/recipient_texts.h"
#include "dialogs/window_look.h"
#include "recipients/address_check.h"
#include "recipients/address_key.h"
#include "recipients/field_lines.h"
#include "recipients/optout_merge.h"
#include "shell/busy_cursor.h"
#include "shell/error_report.h"
#include "shell/message_box.h"
#include "store/atomic_file.h"
#include "store/optout_file.h"
#include "text/cp932.h"
#include "text/half_width.h"

namespace {

constexpr std::size_t kNamedRefusals = 20;

void warn(const QString& text) {
    msgbox::warning(text);
}

// A CSV field as Excel reads it back: quoted only when it must be.
std::string csvField(const std::string& bytes) {
    if (bytes.find_first_of(",\"\r\n") == std::string::npos) return bytes;
    std::string quoted = "\"";
    for (std::size_t i = 0; i < bytes.size(); i += text::cp932::charLength(bytes, i)) {
        const std::size_t length = text::cp932::charLength(bytes, i);
        if (length == 1 && bytes[i] == '"') quoted += '"';
        quoted.append(bytes, i, length);
    }
    return quoted + "\"";
}

// The list's addresses as the store writes them. Each was read from a file that Shift-JIS
// could hold, or checked as ASCII.
std::vector<std::string> inCp932(const std::vector<std::string>& utf8) {
    // One conversion for the whole list: a hundred thousand would each open a converter.
    std::string joined;
    for (const std::string& address : utf8) joined += address + "\n";
    const std::string bytes = text::cp932::fromUtf8(joined).value();
    std::vector<std::string> out;
    out.reserve(utf8.size());
    recipients::forEachFieldLine(
        bytes, [&](std::size_t, std::string_view line) { out.emplace_back(line); });
    return out;
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
    opened_ = recipients::readOptOutText(store::optoutfile::read(storePath_));
    model_->load(opened_);
    filtered_ = new QSortFilterProxyModel(this);
    filtered_->setSourceModel(model_);
    // The filter compares keys, as the list does: ＴＡＲＯ finds taro.
    filtered_->setFilterRole(OptOutModel::KeyRole);
    filtered_->setFilterCaseSensitivity(Qt::CaseSensitive);

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
    connect(filter_, &QLineEdit::textChanged, filtered_, [this](const QString& text) {
        filtered_->setFilterFixedString(
            QString::fromStdString(recipients::addressKey(text.toStdString())));
    });

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
    manual::addHelp(this, closing, "optout.md");
    connect(saveButton_, &QPushButton::clicked, this, [this] {
        // A list that could not be written keeps the dialog open with the edits.
        shell::runHandler([this] {
            if (save()) accept();
        });
    });
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);

    auto* top = new QHBoxLayout;
    top->addWidget(countLabel_);
    top->addStretch(1);
    top->addWidget(filter_, 2);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(note);
    if (!opened_.readable()) layout->addWidget(unreadableNote());
    layout->addLayout(top);
    layout->addWidget(view_, 1);
    layout->addWidget(optoutjournal::reasonLabel(this, view_, storePath_));
    layout->addWidget(tools);
    layout->addWidget(closing);
    connect(model_, &QAbstractItemModel::modelReset, this, &OptOutDialog::showCount);
    connect(model_, &QAbstractItemModel::rowsInserted, this, &OptOutDialog::showCount);
    showCount();
    if (model_->unreadableCount() > 0) {
        // Opened on the lines the gates stopped at.
        view_->setCurrentIndex(filtered_->index(0, 0));
        view_->setFocus();
    }
}

QLabel* OptOutDialog::unreadableNote() {
    const QString what = opened_.undecodable
                             ? QStringLiteral("このファイルの文字コードを判別できません。")
                             : QStringLiteral("このファイルの %1 行からアドレスを読み取れません。")
                                   .arg(recipienttext::number(opened_.unreadable));
    auto* label = new QLabel(
        what + QStringLiteral("読み取れない行を「⚠」で示します。ファイルを直すか、正しいアドレスを"
                              "追加してから、その行を選んで削除してください。"
                              "これらの行がある間は、グループの保存、ファイルからの読込、"
                              "宛先チェックとバッチファイルの出力を止めています。"),
        this);
    label->setObjectName(QStringLiteral("optOutUnreadable"));
    label->setWordWrap(true);
    label->setStyleSheet(QStringLiteral("color: #b00020;"));
    return label;
}

OptOutDialog::~OptOutDialog() = default;

void OptOutDialog::run() {
    showOrScript(*this);
}

std::size_t OptOutDialog::count() const {
    return std::size_t(model_->rowCount()) - model_->unreadableCount();
}

void OptOutDialog::showCount() {
    countLabel_->setText(recipienttext::number(count()) + QStringLiteral("件"));
}

void OptOutDialog::addAddresses(const QString& lines) {
    QStringList refused;
    std::size_t refusedCount = 0;
    const std::string text = lines.toStdString();
    recipients::forEachFieldLine(text, [&](std::size_t index, std::string_view line) {
        const std::string half = text::toHalfWidth(recipients::trimBlanks(line));
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
    for (const std::string& address : model_->addresses()) listed += address + "\n";
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
    std::string csv = *text::cp932::fromUtf8("メールアドレス") + "\r\n";
    for (const std::string& address : inCp932(model_->addresses()))
        csv += csvField(address) + "\r\n";
    store::textfile::writeAll(QFile::encodeName(path).toStdString(), csv);
}

bool OptOutDialog::save() {
    // Asked before the file is locked: nobody else waits on the user's answer.
    const std::string before = store::optoutfile::read(storePath_);
    const recipients::OptOutFileText beforeText = recipients::readOptOutText(before);
    if (!beforeText.ownForm && !askReplaceHandMade(beforeText)) return false;
    BusyCursor busy;
    recipients::OptOutMerge merged;
    std::vector<std::string> kept;
    store::optoutfile::rewrite(storePath_, [&](const std::string& now) {
        const recipients::OptOutFileText nowText =
            now == before ? beforeText : recipients::readOptOutText(now);
        // Another program may have written since the question: its form was not asked about.
        if (now != before && !nowText.ownForm)
            throw std::runtime_error(
                "保存の間に " + storePath_ +
                " がほかのプログラムに書き換えられました。もう一度保存してください");
        merged = recipients::mergeOptOutEdits(opened_, nowText, model_->addresses());
        kept = inCp932(merged.addresses);
        return store::optoutfile::Rewrite{kept, !nowText.ownForm};
    });
    optoutjournal::recordTyped(storePath_, opened_, model_->addresses());
    // What is on disk now is what a later save in this dialog merges against.
    std::string written;
    for (const std::string& address : kept) written += address + "\r\n";
    opened_ = recipients::readOptOutText(std::move(written));
    // A file unchanged since it was opened gives no other program's lines to tell of.
    if (merged.othersKept > 0 || !merged.keptAgainstRemoval.empty()) tellMerged(merged);
    return true;
}

bool OptOutDialog::askReplaceHandMade(const recipients::OptOutFileText& text) {
    QString question =
        QStringLiteral(
            "配信停止リストのファイル「%1」は、このツールの形式（Shift-JIS、1行に1アドレス）では"
            "ありません。保存すると、この形式に書き直します。アドレス以外の列、見出しの行と"
            "「#」の行は残りません。")
            .arg(QString::fromStdString(storePath_));
    if (!text.readable())
        question += QStringLiteral("アドレスを読み取れない %1 行も残りません。")
                        .arg(recipienttext::number(text.unreadable));
    question += QStringLiteral("\n\n元のファイルは「%1」として残します。保存しますか？")
                    .arg(QString::fromStdString(store::optoutfile::backupPath(storePath_)));
    return msgbox::question(question);
}

void OptOutDialog::tellMerged(const recipients::OptOutMerge& merged) {
    QString text = QStringLiteral(
                       "このダイアログを開いた後に、ほかのプログラムが配信停止リストを"
                       "書き換えていました。ほかのプログラムが追加した %1 件も残しました。")
                       .arg(recipienttext::number(merged.othersKept));
    if (!merged.keptAgainstRemoval.empty()) {
        QStringList named;
        for (std::size_t i = 0; i < merged.keptAgainstRemoval.size() && i < kNamedRefusals; ++i)
            named << QString::fromStdString(merged.keptAgainstRemoval[i]);
        if (merged.keptAgainstRemoval.size() > kNamedRefusals)
            named << QStringLiteral("ほか %1 件")
                         .arg(merged.keptAgainstRemoval.size() - kNamedRefusals);
        text += QStringLiteral(
                    "\n\n次のアドレスは、このダイアログで削除しましたが、ほかのプログラムが"
                    "追加し直したため、リストに残しています。\n") +
                named.join(QLatin1Char('\n'));
    }
    msgbox::information(text);
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
