#pragma once

#include "recipients/optout_field.h"

class PlainTextField;

// Takes the found lines out of the recipient field. A small field loses them in the
// editor, as one undoable edit; in a large one each removal would walk all its lines, so
// it is built again on a worker and swapped in whole.
void removeFoundLines(PlainTextField* field, const recipients::FieldOptOuts& found);
