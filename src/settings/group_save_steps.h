#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

#include "recipients/optout_field.h"
#include "store/typed_recipients.h"

namespace store {
class ProjectStore;
}

// The recipient part of a group save, run off the window's thread: the field converted as
// the store will hold it, its lines checked, and the lines on the opt-out list found. The
// list loads beside the conversion, since neither needs the other.
namespace groupsave {

struct Recipients {
    std::optional<std::string> stored;  // null when a character Shift-JIS cannot hold is in
    store::recipients::TypedLinesCheck check;
    recipients::FieldOptOuts optedOut;  // looked for only when every line can be stored
};

// Throws what loading the opt-out list throws: one that cannot be read stops the save,
// never passes as empty.
Recipients prepare(const store::ProjectStore& store, std::string_view field,
                   const std::string& group, std::size_t keep);

}  // namespace groupsave
