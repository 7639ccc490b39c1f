#pragma once

#include <QAbstractListModel>
#include <QSet>
#include <QString>
#include <string>
#include <vector>

// The opt-out addresses for a list view. Each entry keeps the bytes it was read with, so
// a hand-edited line the tool would not accept itself is written back exactly as it was.
class OptOutModel : public QAbstractListModel {
    Q_OBJECT
public:
    using QAbstractListModel::QAbstractListModel;

    // From optout.txt's CP932 bytes: one address a line, blank lines skipped.
    void load(const std::string& cp932Lines);
    // Each entry's CP932 bytes, in list order.
    std::vector<std::string> entries() const;

    // Appends an ASCII address unless an equal one is listed (letters without case).
    bool add(const QString& address);
    void removeRows(std::vector<int> rows);
    void replaceAll(const std::vector<QString>& addresses);

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role) const override;

private:
    struct Entry {
        QString text;
        std::string bytes;
    };
    static QString keyOf(const QString& text);

    std::vector<Entry> entries_;
    QSet<QString> keys_;
};
