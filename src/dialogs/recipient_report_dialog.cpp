#include "dialogs/recipient_report_dialog.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/manual_window.h"
#include "dialogs/problem_rows.h"
#include "dialogs/recipient_texts.h"
#include "dialogs/window_look.h"
#include "shell/message_box.h"
#include "shell/utf8_text.h"

namespace {

using shell::u;

QString columnText(const recipients::ImportResult& result) {
    const QString column = QStringLiteral("%1列目").arg(result.column + 1);
    return column + (result.header ? u("（見出しで判定）") : u("（「@」を含む行が最も多い列）"));
}

}  // namespace

RecipientReportDialog::RecipientReportDialog(const recipients::ImportResult& result,
                                             const QString& fileName, QWidget* parent)
    : QDialog(parent) {
    using recipienttext::number;
    setWindowTitle(shell::kCaption);
    setObjectName(QStringLiteral("RecipientReportDialog"));
    setFont(windowlook::windowFont());
    auto* layout = new QVBoxLayout(this);

    const std::size_t skipped = result.fileDuplicates + result.fieldDuplicates;
    QStringList lines = {
        u("ファイル：") + fileName,
        u("文字コード：") + recipienttext::encoding(result.encoding),
        u("宛先の列：") + columnText(result),
        u("読み込んだ行：") + number(result.rowsRead) + u("行"),
        u("追加する宛先：") + number(result.toAppend()) + u("件（置換する場合は ") +
            number(result.toReplace()) + u("件）"),
        u("重複で除いた宛先：") + number(skipped) + u("件（ファイル内 ") +
            number(result.fileDuplicates) + u("件、入力済み ") + number(result.fieldDuplicates) +
            u("件）"),
        u("無効な行：") + number(result.invalid) + u("行"),
    };
    if (result.optedOut > 0) lines << u("配信停止 ") + number(result.optedOut) + u("件");
    if (result.halfWidth > 0)
        lines << u("全角を半角に直しました: ") + number(result.halfWidth) + u("件");
    summary_ = lines.join(QLatin1Char('\n'));
    auto* summary = new QLabel(summary_, this);
    summary->setTextFormat(Qt::PlainText);
    summary->setTextInteractionFlags(Qt::TextSelectableByMouse);
    layout->addWidget(summary);

    if (!result.firstInvalid.empty()) {
        layout->addWidget(new QLabel(u("無効な行（この行は読み込みません）"), this));
        std::vector<problemrows::Row> rows;
        for (const auto& invalid : result.firstInvalid)
            rows.push_back({invalid.line, u(invalid.text), recipienttext::fault(invalid.fault)});
        table_ = problemrows::table(this, QStringLiteral("invalidRows"), u("無効な行"), rows);
        auto* copy = new QAction(table_);
        copy->setShortcut(QKeySequence::Copy);
        connect(copy, &QAction::triggered, this, [this] { copyInvalidRows(); });
        table_->addAction(copy);
        layout->addWidget(table_, 1);

        auto* foot = new QHBoxLayout;
        if (result.invalid > result.firstInvalid.size()) {
            restNote_ = u("ほか ") + number(result.invalid - result.firstInvalid.size()) +
                        u("行は表示していません。");
            foot->addWidget(new QLabel(restNote_, this));
        }
        foot->addStretch(1);
        auto* copyButton = new QPushButton(u("表をコピー"), this);
        copyButton->setAutoDefault(false);
        connect(copyButton, &QPushButton::clicked, this, [this] { copyInvalidRows(); });
        foot->addWidget(copyButton);
        layout->addLayout(foot);
    }

    auto* buttons = new QDialogButtonBox(this);
    append_ = buttons->addButton(u("追加"), QDialogButtonBox::AcceptRole);
    replace_ = buttons->addButton(u("置換"), QDialogButtonBox::AcceptRole);
    cancel_ = buttons->addButton(u("キャンセル"), QDialogButtonBox::RejectRole);
    manual::addHelp(this, buttons, "groups.md");
    // Nothing to put in: the choice would only empty or keep the field.
    append_->setEnabled(result.toAppend() > 0);
    replace_->setEnabled(result.toReplace() > 0);
    (append_->isEnabled() ? append_ : cancel_)->setDefault(true);
    connect(append_, &QPushButton::clicked, this, [this] { choose(Choice::Append); });
    connect(replace_, &QPushButton::clicked, this, [this] { choose(Choice::Replace); });
    connect(cancel_, &QPushButton::clicked, this, [this] { choose(Choice::Cancel); });
    layout->addWidget(buttons);
}

void RecipientReportDialog::choose(Choice choice) {
    choice_ = choice;
    if (choice == Choice::Cancel) {
        reject();
    } else {
        accept();
    }
}

RecipientReportDialog::Choice RecipientReportDialog::ask() {
    choice_ = Choice::Cancel;
    showOrScript(*this);
    return choice_;
}

QString RecipientReportDialog::summaryText() const {
    return summary_;
}

QString RecipientReportDialog::invalidRowsText() const {
    if (!table_) return QString();
    QString text = u("行\t内容\t理由\n");
    for (int row = 0; row < table_->rowCount(); ++row) {
        QStringList cells;
        // A tab or line break inside a cell would split the pasted row.
        for (int column = 0; column < 3; ++column) {
            QString cell = table_->item(row, column)->text();
            for (QChar& c : cell) {
                if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                    c = QLatin1Char(' ');
            }
            cells << cell;
        }
        text += cells.join(QLatin1Char('\t')) + QLatin1Char('\n');
    }
    if (!restNote_.isEmpty()) text += restNote_ + QLatin1Char('\n');
    return text;
}

void RecipientReportDialog::copyInvalidRows() const {
    QApplication::clipboard()->setText(invalidRowsText());
}
