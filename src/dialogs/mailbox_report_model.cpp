#include "dialogs/mailbox_report_model.h"

namespace {

const char* const kHeaders[MailboxReportModel::ColumnCount] = {
    "アドレス", "種類", "状態と診断", "日付", "件名", "このプロジェクトのグループ"};

// The server's text mostly starts with the code already.
std::string statusText(const mailbox::Finding& finding) {
    if (finding.diagnostic.find(finding.status) != std::string::npos) return finding.diagnostic;
    return finding.status + " " + finding.diagnostic;
}

std::string cellText(const mailbox::ReportRow& row, int column) {
    switch (column) {
        case MailboxReportModel::Address:
            return row.finding.address;
        case MailboxReportModel::KindColumn:
            return mailbox::kindName(row.finding.kind);
        case MailboxReportModel::Status:
            return statusText(row.finding);
        case MailboxReportModel::Date:
            return row.date;
        case MailboxReportModel::Subject:
            return row.subject;
        case MailboxReportModel::Groups:
            return row.groups;
    }
    return {};
}

}  // namespace

MailboxReportModel::~MailboxReportModel() = default;

void MailboxReportModel::setReport(std::unique_ptr<mailbox::Report> report) {
    beginResetModel();
    report_ = std::move(report);
    endResetModel();
}

int MailboxReportModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !report_ ? 0 : int(report_->rows.size());
}

int MailboxReportModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : ColumnCount;
}

QVariant MailboxReportModel::data(const QModelIndex& index, int role) const {
    if (!report_ || !index.isValid()) return {};
    const mailbox::ReportRow& row = report_->rows[std::size_t(index.row())];
    if (role == Qt::DisplayRole) return QString::fromStdString(cellText(row, index.column()));
    if (role == Qt::CheckStateRole && index.column() == Address)
        return row.ticked ? Qt::Checked : Qt::Unchecked;
    return {};
}

QVariant MailboxReportModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= ColumnCount)
        return QAbstractTableModel::headerData(section, orientation, role);
    return QString::fromUtf8(kHeaders[section]);
}

Qt::ItemFlags MailboxReportModel::flags(const QModelIndex& index) const {
    if (!report_ || !index.isValid()) return Qt::NoItemFlags;
    if (index.column() != Address) return Qt::ItemIsEnabled | Qt::ItemIsSelectable;
    if (!mailbox::mayOptOut(report_->rows[std::size_t(index.row())].finding.kind))
        return Qt::ItemIsEnabled;
    return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable;
}

bool MailboxReportModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (role != Qt::CheckStateRole || !(flags(index) & Qt::ItemIsUserCheckable)) return false;
    report_->rows[std::size_t(index.row())].ticked = value.toInt() == Qt::Checked;
    emit dataChanged(index, index, {Qt::CheckStateRole});
    return true;
}

std::string MailboxReportModel::tableText(const mailbox::Report& report) {
    std::string text;
    for (int c = 0; c < ColumnCount; ++c) (text += c ? "\t" : "") += kHeaders[c];
    text += "\t追加\n";
    for (const mailbox::ReportRow& row : report.rows) {
        for (int c = 0; c < ColumnCount; ++c) (text += c ? "\t" : "") += cellText(row, c);
        text += row.ticked ? "\t○\n" : "\t\n";
    }
    return text;
}
