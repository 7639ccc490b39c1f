#pragma once

#include <string>
#include <vector>

#include "recipients/optout_reader.h"

class QAbstractItemView;
class QLabel;
class QWidget;

// The opt-out list's journal in its dialog: why and when the picked address was added, and
// a line for each address the dialog adds by hand.
namespace optoutjournal {

// A line that follows the view's current row (its KeyRole) with the journal's reason and
// date. The journal is read once, here; an unreadable one throws StoreError.
QLabel* reasonLabel(QWidget* parent, QAbstractItemView* view, const std::string& optOutPath);

// Journal lines (手入力) for the dialog's addresses that `before` did not list.
void recordTyped(const std::string& optOutPath, const recipients::OptOutFileText& before,
                 const std::vector<std::string>& dialogAddresses);

}  // namespace optoutjournal
