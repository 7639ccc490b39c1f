#include "dialogs/optout_model.h"

#include <QBrush>
#include <QColor>

#include "dialogs/recipient_texts.h"
#include "recipients/address_key.h"
#include "recipients/field_lines.h"

void OptOutModel::load(const recipients::OptOutFileText& text) {
    beginResetModel();
    entries_.clear();
    keys_.clear();
    for (const recipients::UnreadableLine& line : text.firstUnreadable)
        // Said in the row itself, so a screen reader reads why the line is there.
        entries_.push_back(
            Entry{QStringLiteral("⚠ 読み取れない行 ") + recipienttext::unreadableLine(line),
                  std::string()});
    unreadable_ = entries_.size();
    recipients::forEachFieldLine(
        text.addresses, [&](std::size_t, std::string_view line) { append(std::string(line)); });
    endResetModel();
}

void OptOutModel::append(const std::string& address) {
    std::string key = recipients::addressKey(address);
    if (key.empty() || !keys_.insert(key).second) return;
    entries_.push_back(Entry{QString::fromStdString(address), std::move(key)});
}

std::vector<std::string> OptOutModel::addresses() const {
    std::vector<std::string> bytes;
    bytes.reserve(entries_.size());
    for (const Entry& entry : entries_)
        if (!entry.key.empty()) bytes.push_back(entry.text.toStdString());
    return bytes;
}

bool OptOutModel::add(const QString& address) {
    const std::string key = recipients::addressKey(address.toStdString());
    if (key.empty() || keys_.count(key) != 0) return false;
    const int row = int(entries_.size());
    beginInsertRows(QModelIndex(), row, row);
    append(address.toStdString());
    endInsertRows();
    return true;
}

void OptOutModel::removeRows(std::vector<int> rows) {
    std::vector<bool> gone(entries_.size(), false);
    for (int row : rows)
        if (row >= 0 && row < int(entries_.size())) gone[std::size_t(row)] = true;
    // One reset, not a removal per row: thousands of rows may be selected.
    beginResetModel();
    std::size_t kept = 0;
    for (std::size_t i = 0; i < entries_.size(); ++i) {
        if (gone[i]) {
            if (entries_[i].key.empty()) --unreadable_;
            keys_.erase(entries_[i].key);
        } else {
            if (kept != i) entries_[kept] = std::move(entries_[i]);
            ++kept;
        }
    }
    entries_.resize(kept);
    endResetModel();
}

void OptOutModel::replaceAll(const std::vector<QString>& addresses) {
    beginResetModel();
    // The marked lines stay: they are no addresses a file could replace.
    entries_.resize(unreadable_);
    keys_.clear();
    for (const QString& address : addresses) append(address.toStdString());
    endResetModel();
}

int OptOutModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant OptOutModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(entries_.size())) return QVariant();
    const Entry& entry = entries_[std::size_t(index.row())];
    switch (role) {
        case Qt::DisplayRole:
        case Qt::EditRole:
            return entry.text;
        case KeyRole:
            return entry.key.empty() ? entry.text : QString::fromStdString(entry.key);
        case Qt::ForegroundRole:
            return entry.key.empty() ? QVariant(QBrush(QColor(0xB0, 0x00, 0x20))) : QVariant();
        default:
            return QVariant();
    }
}
