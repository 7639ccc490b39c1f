#pragma once

#include <QString>
#include <cstddef>
#include <vector>

class QTableWidget;
class QWidget;

// The table the recipient dialogs list their problem lines in: line number, content, why.
namespace problemrows {

struct Row {
    std::size_t line = 0;
    QString text;
    QString reason;
};

// A read-only table of whole-row selection, sized to show a useful part of long lines.
// Each line-number cell holds its line under Qt::UserRole as well.
QTableWidget* table(QWidget* parent, const QString& objectName, const QString& accessibleName,
                    const std::vector<Row>& rows);

}  // namespace problemrows
