#pragma once

#include <QDialog>
#include <functional>

#include "dialogs/scripted_dialog.h"
#include "recipients/field_check.h"

class QPushButton;
class QTableWidget;

// The recipient field's invalid lines, repeats, full-width lines and opted-out lines, with
// their line numbers; offers to remove the repeats, to make the full-width lines ASCII, to
// remove the opted-out lines and to go to a listed line.
class RecipientCheckDialog : public QDialog, public ScriptedDialog<RecipientCheckDialog> {
    Q_OBJECT
public:
    enum class Choice { Close, RemoveDuplicates, ConvertFullWidth, RemoveOptedOut, GoToLine };

    explicit RecipientCheckDialog(const recipients::FieldCheck& check, QWidget* parent = nullptr);

    // Shows the dialog and waits; a test script answers instead when set.
    Choice ask();

    // The 1-based field line of the chosen table row (GoToLine), 0 when none.
    std::size_t chosenLine() const { return chosenLine_; }

    QTableWidget* problemTable() const { return table_; }
    QPushButton* removeButton() const { return remove_; }
    QPushButton* convertButton() const { return convert_; }
    // Shown only when the field holds opted-out lines.
    QPushButton* removeOptedOutButton() const { return removeOptedOut_; }
    QPushButton* goToButton() const { return goTo_; }
    QPushButton* closeButton() const { return close_; }
    QString summaryText() const { return summary_; }

private:
    void goToSelected();

    Choice choice_ = Choice::Close;
    std::size_t chosenLine_ = 0;
    QString summary_;
    QTableWidget* table_ = nullptr;
    QPushButton* remove_ = nullptr;
    QPushButton* convert_ = nullptr;
    QPushButton* removeOptedOut_ = nullptr;
    QPushButton* goTo_ = nullptr;
    QPushButton* close_ = nullptr;
};
