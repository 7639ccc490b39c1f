#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

#include "dialogs/scripted_dialog.h"
#include "recipients/optout_reader.h"

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;
class OptOutModel;
namespace recipients {
struct OptOutMerge;
}

// The store's opt-out list: the addresses that receive no mail from any project. Edits
// stay in the dialog until 保存 writes optout.txt; キャンセル drops them.
class OptOutDialog : public QDialog, public ScriptedDialog<OptOutDialog> {
    Q_OBJECT
public:
    // Reads optout.txt; throws StoreError when it exists but cannot be read. Lines that give
    // no address are listed first, marked.
    OptOutDialog(std::string storePath, QWidget* parent = nullptr);
    ~OptOutDialog() override;

    // Shows the dialog until it is closed (a test's script instead, when one is set).
    void run();

    // Adds the text's lines (one address each; full-width forms made ASCII) that are
    // addresses and not listed yet. Tells the user which lines were refused and why.
    void addAddresses(const QString& lines);
    void removeSelected();
    // Adds or replaces from a recipient file, through the import's report.
    void importFrom(const QString& path);
    // Writes the list as a CSV in Shift-JIS with a header, as Excel opens it.
    void exportTo(const QString& path);
    // Writes optout.txt in the tool's form, with the dialog's additions and removals laid
    // onto the file as it is now, so another program's additions stay. A file in another
    // form is asked about first and kept as optout.txt.bak. False when the user declined;
    // throws StoreError naming the file when it cannot be written.
    bool save();

    // The addresses listed; the marked lines are none.
    std::size_t count() const;
    OptOutModel* model() const { return model_; }
    QListView* listView() const { return view_; }
    QLineEdit* filterField() const { return filter_; }
    QLabel* countLabel() const { return countLabel_; }
    QPushButton* saveButton() const { return saveButton_; }

private:
    void addChosen();
    void importChosen();
    void exportChosen();
    void showCount();
    QLabel* unreadableNote();
    bool askReplaceHandMade(const recipients::OptOutFileText& text);
    void tellMerged(const recipients::OptOutMerge& merged);

    std::string storePath_;              // optout.txt
    recipients::OptOutFileText opened_;  // the file as the dialog read it
    OptOutModel* model_ = nullptr;
    QSortFilterProxyModel* filtered_ = nullptr;
    QListView* view_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};
