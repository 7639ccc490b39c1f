#include "dialogs/optout_model.h"

#include "store/cp932.h"

QString OptOutModel::keyOf(const QString& text) {
    return text.trimmed().toLower();
}

void OptOutModel::load(const std::string& cp932Lines) {
    beginResetModel();
    entries_.clear();
    keys_.clear();
    std::size_t pos = 0;
    while (pos < cp932Lines.size()) {
        std::size_t end = cp932Lines.find_first_of("\r\n", pos);
        if (end == std::string::npos) end = cp932Lines.size();
        const std::string line = store::cp932::trim(cp932Lines.substr(pos, end - pos));
        if (!line.empty()) {
            Entry entry{QString::fromStdString(store::cp932::toUtf8Lossy(line)), line};
            keys_.insert(keyOf(entry.text));
            entries_.push_back(std::move(entry));
        }
        pos = end;
        if (pos < cp932Lines.size())
            pos += cp932Lines[pos] == '\r' && pos + 1 < cp932Lines.size() &&
                           cp932Lines[pos + 1] == '\n'
                       ? 2
                       : 1;
    }
    endResetModel();
}

std::vector<std::string> OptOutModel::entries() const {
    std::vector<std::string> bytes;
    bytes.reserve(entries_.size());
    for (const Entry& entry : entries_) bytes.push_back(entry.bytes);
    return bytes;
}

bool OptOutModel::add(const QString& address) {
    const QString key = keyOf(address);
    if (key.isEmpty() || keys_.contains(key)) return false;
    const int row = int(entries_.size());
    beginInsertRows(QModelIndex(), row, row);
    // Only checked addresses come here: ASCII, so the same bytes in CP932.
    entries_.push_back(Entry{address, address.toStdString()});
    keys_.insert(key);
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
            keys_.remove(keyOf(entries_[i].text));
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
    entries_.clear();
    keys_.clear();
    endResetModel();
    for (const QString& address : addresses) add(address);
}

int OptOutModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : int(entries_.size());
}

QVariant OptOutModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() >= int(entries_.size())) return QVariant();
    if (role == Qt::DisplayRole || role == Qt::EditRole)
        return entries_[std::size_t(index.row())].text;
    return QVariant();
}
