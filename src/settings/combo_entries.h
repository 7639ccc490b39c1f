#pragma once

#include <QVariant>

class QComboBox;
class QString;

namespace comboentries {

// Appends an entry and keeps the selection as it was. An empty QComboBox selects the first
// entry it gains, which would show a project or group as picked that was never loaded.
void append(QComboBox* list, const QString& text, const QVariant& data = QVariant());

}  // namespace comboentries
