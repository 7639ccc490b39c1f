#pragma once

#include <QString>

#include "store/typed_recipients.h"

// The warning for recipient lines that would not read back once saved: how many, the
// first few line numbers and why.
QString recipientRefusalText(const store::recipients::TypedLinesCheck& check);
