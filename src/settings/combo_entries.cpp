#include "settings/combo_entries.h"

#include <QComboBox>
#include <QSignalBlocker>

namespace comboentries {

void append(QComboBox* list, const QString& text, const QVariant& data) {
    const int shown = list->currentIndex();
    // Nothing was picked by the user, so no change signal may fire either way.
    const QSignalBlocker quiet(list);
    list->addItem(text, data);
    list->setCurrentIndex(shown);
}

}  // namespace comboentries
