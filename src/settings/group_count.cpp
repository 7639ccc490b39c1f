#include "settings/group_count.h"

#include "settings/integer_text.h"

namespace groupcount {

std::optional<int> parse(const std::string& held) {
    const std::optional<int> value = integertext::parse(held);
    if (!value || *value < 1 || *value > kMaxGroups) return std::nullopt;
    return value;
}

}  // namespace groupcount
