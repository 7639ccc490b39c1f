#include "dialogs/recipient_check_dialog.h"

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

using shell::u;

RecipientCheckDialog::RecipientCheckDialog(const recipients::FieldCheck& check, QWidget* parent)
    : QDialog(parent) {
    using recipienttext::number;
    setWindowTitle(shell::kCaption);
    setObjectName(QStringLiteral("RecipientCheckDialog"));
    setFont(windowlook::windowFont());
    auto* layout = new QVBoxLayout(this);
    summary_ = u("宛先：") + number(check.addresses) + u("件\n無効な行：") + number(check.invalid) +
               u("行\n重複している行：") + number(check.duplicates) + u("行");
    if (check.fullWidth > 0) summary_ += u("\n全角を含む行：") + number(check.fullWidth) + u("行");
    if (check.optedOut > 0)
        summary_ +=
            u("\n") + recipienttext::optedOut() + u("：") + number(check.optedOut) + u("行");
    if (check.problems > check.first.size())
        summary_ += u("\n（最初の ") + number(check.first.size()) + u("行を表示しています）");
    auto* summary = new QLabel(summary_, this);
    summary->setTextFormat(Qt::PlainText);
    layout->addWidget(summary);

    std::vector<problemrows::Row> rows;
    for (const auto& problem : check.first) {
        // Opted out first: whatever else is wrong with the line, it must go.
        const QString reason =
            problem.optedOut      ? recipienttext::optedOut()
            : problem.duplicateOf ? recipienttext::duplicateOf(problem.duplicateOf)
            : problem.fullWidth ? u("全角の文字が含まれています（半角に直せます）")
                                : recipienttext::fault(problem.fault);
        rows.push_back({problem.line, u(problem.text), reason});
    }
    table_ = problemrows::table(this, QStringLiteral("problemRows"), u("問題のある行"), rows);
    table_->setSelectionMode(QAbstractItemView::SingleSelection);
    connect(table_, &QTableWidget::cellDoubleClicked, this, [this] { goToSelected(); });
    layout->addWidget(table_, 1);

    auto* buttons = new QDialogButtonBox(this);
    remove_ = buttons->addButton(u("重複を削除"), QDialogButtonBox::ActionRole);
    convert_ = buttons->addButton(u("全角を半角に直す"), QDialogButtonBox::ActionRole);
    removeOptedOut_ = buttons->addButton(u("配信停止を削除"), QDialogButtonBox::ActionRole);
    goTo_ = buttons->addButton(u("この行へ移動"), QDialogButtonBox::ActionRole);
    close_ = buttons->addButton(u("閉じる"), QDialogButtonBox::RejectRole);
    manual::addHelp(this, buttons, "groups.md");
    remove_->setEnabled(check.duplicates > 0);
    convert_->setEnabled(check.fullWidth > 0);
    // Without opted-out lines the dialog stays as it was.
    removeOptedOut_->setVisible(check.optedOut > 0);
    goTo_->setEnabled(false);
    close_->setDefault(true);
    connect(table_, &QTableWidget::itemSelectionChanged, this,
            [this] { goTo_->setEnabled(!table_->selectedItems().isEmpty()); });
    connect(remove_, &QPushButton::clicked, this, [this] {
        choice_ = Choice::RemoveDuplicates;
        accept();
    });
    connect(convert_, &QPushButton::clicked, this, [this] {
        choice_ = Choice::ConvertFullWidth;
        accept();
    });
    connect(removeOptedOut_, &QPushButton::clicked, this, [this] {
        choice_ = Choice::RemoveOptedOut;
        accept();
    });
    connect(goTo_, &QPushButton::clicked, this, [this] { goToSelected(); });
    connect(close_, &QPushButton::clicked, this, [this] {
        choice_ = Choice::Close;
        reject();
    });
    layout->addWidget(buttons);
}

void RecipientCheckDialog::goToSelected() {
    const auto selected = table_->selectedItems();
    if (selected.isEmpty()) return;
    chosenLine_ = table_->item(selected.front()->row(), 0)->data(Qt::UserRole).toULongLong();
    choice_ = Choice::GoToLine;
    accept();
}

RecipientCheckDialog::Choice RecipientCheckDialog::ask() {
    choice_ = Choice::Close;
    showOrScript(*this);
    return choice_;
}
