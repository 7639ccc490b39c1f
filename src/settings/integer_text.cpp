#include "settings/integer_text.h"

#include <cstdint>
#include <limits>

namespace integertext {

std::optional<int> parse(const std::string& text) {
    std::size_t i = 0;
    bool negative = false;
    if (i < text.size() && (text[i] == '+' || text[i] == '-')) {
        negative = text[i] == '-';
        ++i;
    }
    if (i == text.size()) return std::nullopt;
    std::int64_t value = 0;
    const std::int64_t limit = negative ? -std::int64_t(std::numeric_limits<int>::min())
                                        : std::int64_t(std::numeric_limits<int>::max());
    for (; i < text.size(); ++i) {
        const char c = text[i];
        if (c < '0' || c > '9') return std::nullopt;
        value = value * 10 + (c - '0');
        if (value > limit) return std::nullopt;
    }
    return int(negative ? -value : value);
}

std::string normalizedOrZero(const std::string& text) {
    return std::to_string(parse(text).value_or(0));
}

}  // namespace integertext
