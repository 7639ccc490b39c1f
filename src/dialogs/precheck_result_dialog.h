#pragma once

#include <QDialog>
#include <vector>

#include "dialogs/scripted_dialog.h"
#include "precheck/check_item.h"

class QPushButton;
class QTableWidget;

// The pre-send check's result: each check with its verdict, what was found and what to do.
// The list can be copied as text; nothing is stored.
class PrecheckResultDialog : public QDialog, public ScriptedDialog<PrecheckResultDialog> {
    Q_OBJECT
public:
    explicit PrecheckResultDialog(std::vector<precheck::CheckItem> items,
                                  QWidget* parent = nullptr);

    // Shows the dialog and waits; a test script answers instead when set.
    void showResult();

    QTableWidget* resultTable() const { return table_; }
    QPushButton* copyButton() const { return copy_; }
    QPushButton* closeButton() const { return close_; }
    // What the copy button hands to the clipboard.
    QString reportText() const;

private:
    std::vector<precheck::CheckItem> items_;
    QTableWidget* table_ = nullptr;
    QPushButton* copy_ = nullptr;
    QPushButton* close_ = nullptr;
};
