#include "dialogs/problem_rows.h"

#include <QHeaderView>
#include <QTableWidget>

#include "shell/utf8_text.h"

namespace problemrows {

using shell::u;

QTableWidget* table(QWidget* parent, const QString& objectName, const QString& accessibleName,
                    const std::vector<Row>& rows) {
    auto* table = new QTableWidget(int(rows.size()), 3, parent);
    table->setObjectName(objectName);
    table->setAccessibleName(accessibleName);
    table->setHorizontalHeaderLabels({u("行"), u("内容"), u("理由")});
    table->verticalHeader()->hide();
    table->verticalHeader()->setDefaultSectionSize(parent->fontMetrics().height() + 6);
    table->setEditTriggers(QAbstractItemView::NoEditTriggers);
    table->setSelectionBehavior(QAbstractItemView::SelectRows);
    int index = 0;
    for (const Row& row : rows) {
        auto* line = new QTableWidgetItem(QString::number(qulonglong(row.line)));
        line->setData(Qt::UserRole, qulonglong(row.line));
        line->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        table->setItem(index, 0, line);
        table->setItem(index, 1, new QTableWidgetItem(row.text));
        table->setItem(index, 2, new QTableWidgetItem(row.reason));
        ++index;
    }
    table->resizeColumnToContents(0);
    table->setColumnWidth(1, 300);
    table->horizontalHeader()->setStretchLastSection(true);
    table->setMinimumSize(620, 220);
    return table;
}

}  // namespace problemrows
