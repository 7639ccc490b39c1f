#pragma once

#include <QAbstractListModel>
#include <QString>
#include <string>
#include <unordered_set>
#include <vector>

#include "recipients/optout_reader.h"

// The opt-out addresses for a list view, compared by the address key as the gates compare
// them. Lines of the file that gave no address come first, marked, until they are removed.
class OptOutModel : public QAbstractListModel {
    Q_OBJECT
public:
    // The address key of a row, for a filter that agrees with the list.
    static constexpr int KeyRole = Qt::UserRole + 1;

    using QAbstractListModel::QAbstractListModel;

    void load(const recipients::OptOutFileText& text);
    // The addresses, in list order (UTF-8; all of them Shift-JIS can hold).
    std::vector<std::string> addresses() const;
    // The marked lines still listed.
    std::size_t unreadableCount() const { return unreadable_; }

    // Appends a checked address unless one with the same key is listed.
    bool add(const QString& address);
    void removeRows(std::vector<int> rows);
    void replaceAll(const std::vector<QString>& addresses);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Entry {
        QString text;
        std::string key;  // "" for a marked line
    };
    void append(const std::string& address);

    std::vector<Entry> entries_;
    std::unordered_set<std::string> keys_;
    std::size_t unreadable_ = 0;
};
