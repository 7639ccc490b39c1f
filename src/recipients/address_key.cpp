#include "recipients/address_key.h"

#include "recipients/optout_key.h"

namespace recipients {

std::string addressKey(std::string_view utf8) {
    // The opt-out check builds the same key in place for every line of a large list.
    std::string key;
    optoutkey::fromUtf8(utf8, key);
    return key;
}

}  // namespace recipients
