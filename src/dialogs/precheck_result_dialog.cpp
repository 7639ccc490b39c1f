#include "dialogs/precheck_result_dialog.h"

#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QHeaderView>
#include <QLabel>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "dialogs/manual_window.h"
#include "dialogs/window_look.h"
#include "shell/message_box.h"
#include "shell/utf8_text.h"

namespace {

using shell::u;

QColor verdictColour(precheck::Verdict verdict) {
    switch (verdict) {
        case precheck::Verdict::Ok:
            return QColor(0, 110, 0);
        case precheck::Verdict::Caution:
            return QColor(150, 90, 0);
        default:
            return QColor(190, 0, 0);
    }
}

}  // namespace

PrecheckResultDialog::PrecheckResultDialog(std::vector<precheck::CheckItem> items, QWidget* parent)
    : QDialog(parent), items_(std::move(items)) {
    setWindowTitle(QStringLiteral("送信前チェック"));
    setObjectName(QStringLiteral("PrecheckResultDialog"));
    setFont(windowlook::windowFont());
    auto* layout = new QVBoxLayout(this);
    auto* notice = new QLabel(u(precheck::kLegalNotice), this);
    notice->setObjectName(QStringLiteral("legalNotice"));
    notice->setTextFormat(Qt::PlainText);
    notice->setWordWrap(true);
    layout->addWidget(notice);

    table_ = new QTableWidget(int(items_.size()), 4, this);
    table_->setObjectName(QStringLiteral("precheckResults"));
    table_->setAccessibleName(QStringLiteral("送信前チェックの結果"));
    table_->setHorizontalHeaderLabels({QStringLiteral("判定"), QStringLiteral("項目"),
                                       QStringLiteral("内容"), QStringLiteral("対処")});
    table_->verticalHeader()->hide();
    table_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table_->setSelectionBehavior(QAbstractItemView::SelectRows);
    table_->setWordWrap(true);
    int row = 0;
    for (const precheck::CheckItem& item : items_) {
        auto* verdict = new QTableWidgetItem(u(precheck::verdictLabel(item.verdict)));
        verdict->setForeground(verdictColour(item.verdict));
        table_->setItem(row, 0, verdict);
        table_->setItem(row, 1, new QTableWidgetItem(u(item.title)));
        table_->setItem(row, 2, new QTableWidgetItem(u(item.finding)));
        table_->setItem(row, 3, new QTableWidgetItem(u(item.advice)));
        ++row;
    }
    table_->setColumnWidth(0, 70);
    table_->setColumnWidth(1, 220);
    table_->setColumnWidth(2, 380);
    table_->horizontalHeader()->setStretchLastSection(true);
    // Row heights follow the wrapped texts at the columns' final widths; the rows are few.
    table_->verticalHeader()->setSectionResizeMode(QHeaderView::ResizeToContents);
    table_->setMinimumSize(1000, 480);
    layout->addWidget(table_, 1);

    auto* buttons = new QDialogButtonBox(this);
    copy_ = buttons->addButton(QStringLiteral("結果をコピー"), QDialogButtonBox::ActionRole);
    close_ = buttons->addButton(QStringLiteral("閉じる"), QDialogButtonBox::RejectRole);
    manual::addHelp(this, buttons, "precheck.md");
    close_->setDefault(true);
    connect(copy_, &QPushButton::clicked, this,
            [this] { QApplication::clipboard()->setText(reportText()); });
    connect(close_, &QPushButton::clicked, this, &QDialog::reject);
    layout->addWidget(buttons);
}

QString PrecheckResultDialog::reportText() const {
    return u(precheck::reportText(items_));
}

void PrecheckResultDialog::showResult() {
    showOrScript(*this);
}
