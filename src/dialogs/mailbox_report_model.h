#pragma once

#include <QAbstractTableModel>
#include <memory>
#include <string>

#include "mailbox/mailbox_import.h"

// The returned-mail report for a table view: a row per address found, its first cell
// ticked when the address goes to the opt-out list. Cells are made from the report as the
// view asks for them, so a report at the row cap shows at once; the ticks live in the
// report's own rows.
class MailboxReportModel : public QAbstractTableModel {
    Q_OBJECT
public:
    enum Column { Address, KindColumn, Status, Date, Subject, Groups, ColumnCount };

    using QAbstractTableModel::QAbstractTableModel;
    ~MailboxReportModel() override;

    void setReport(std::unique_ptr<mailbox::Report> report);
    // Null until a report is shown.
    const mailbox::Report* report() const { return report_.get(); }

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

    // The table as the clipboard takes it (UTF-8): the header, then a line per row, cells
    // split by tabs and a last column "追加" marked "○" on the ticked rows. Touches no Qt,
    // so it may run off the window's thread while the report is left alone.
    static std::string tableText(const mailbox::Report& report);

private:
    std::unique_ptr<mailbox::Report> report_;
};
