#pragma once

#include <QDialog>
#include <QString>
#include <functional>

#include "dialogs/scripted_dialog.h"
#include "recipients/recipient_import.h"

class QPushButton;
class QTableWidget;

// What an import found, before anything changes: the counts, a copyable table of the
// rows left out, and the choice to append, replace or cancel.
class RecipientReportDialog : public QDialog, public ScriptedDialog<RecipientReportDialog> {
    Q_OBJECT
public:
    enum class Choice { Append, Replace, Cancel };

    RecipientReportDialog(const recipients::ImportResult& result, const QString& fileName,
                          QWidget* parent = nullptr);

    // Shows the dialog and waits for the choice; a test script answers instead when set.
    Choice ask();

    QPushButton* appendButton() const { return append_; }
    QPushButton* replaceButton() const { return replace_; }
    QPushButton* cancelButton() const { return cancel_; }
    QTableWidget* invalidTable() const { return table_; }
    // The summary lines as shown.
    QString summaryText() const;
    // The invalid rows as tab-separated text, as the copy button puts them on the clipboard.
    QString invalidRowsText() const;
    void copyInvalidRows() const;

private:
    void choose(Choice choice);

    Choice choice_ = Choice::Cancel;
    QString summary_;
    QString restNote_;
    QPushButton* append_ = nullptr;
    QPushButton* replace_ = nullptr;
    QPushButton* cancel_ = nullptr;
    QTableWidget* table_ = nullptr;
};
