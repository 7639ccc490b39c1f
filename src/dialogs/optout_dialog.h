#pragma once

#include <QDialog>
#include <QString>
#include <string>
#include <vector>

class QLabel;
class QLineEdit;
class QListView;
class QPushButton;
class QSortFilterProxyModel;
class OptOutModel;

// The store's opt-out list: the addresses that receive no mail from any project. Edits
// stay in the dialog until 保存 writes optout.txt; キャンセル drops them.
class OptOutDialog : public QDialog {
    Q_OBJECT
public:
    // Reads optout.txt; throws StoreError when it exists but cannot be read.
    OptOutDialog(std::string storePath, QWidget* parent = nullptr);
    ~OptOutDialog() override;

    // Adds the text's lines (one address each; full-width forms made ASCII) that are
    // addresses and not listed yet. Tells the user which lines were refused and why.
    void addAddresses(const QString& lines);
    void removeSelected();
    // Adds or replaces from a recipient file, through the import's report.
    void importFrom(const QString& path);
    // Writes the list as a CSV in Shift-JIS with a header, as Excel opens it.
    void exportTo(const QString& path);
    // Writes optout.txt; throws StoreError naming it when it cannot be written.
    void save();

    std::size_t count() const;
    QListView* listView() const { return view_; }
    QLineEdit* filterField() const { return filter_; }
    QLabel* countLabel() const { return countLabel_; }
    QPushButton* saveButton() const { return saveButton_; }

private:
    void addChosen();
    void importChosen();
    void exportChosen();
    void showCount();

    std::string storePath_;  // optout.txt
    OptOutModel* model_ = nullptr;
    QSortFilterProxyModel* filtered_ = nullptr;
    QListView* view_ = nullptr;
    QLineEdit* filter_ = nullptr;
    QLabel* countLabel_ = nullptr;
    QPushButton* saveButton_ = nullptr;
};
