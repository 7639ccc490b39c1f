#pragma once

#include <QString>

#include "recipients/optout_field.h"
#include "recipients/optout_gate.h"

// The questions the opt-out gates ask before they take addresses out of a list.
namespace optoutquestion {

// How many of the lines found the save's question names.
inline constexpr std::size_t kLinesNamed = 3;

// For the group save: the count and the first lines ("3行目 a@…"), their text in CP932.
QString beforeSave(const recipients::FieldOptOuts& found);
// For the batch file: the count per group of list.txt.
QString beforeBatch(const recipients::ListOptOuts& found);

}  // namespace optoutquestion
