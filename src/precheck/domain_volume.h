#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/optout_list.h"

namespace store {
class ProjectStore;
}

// How many mails a run sends to each receiving domain: the provider's rules on bulk
// senders count per day and per domain.
namespace precheck {

struct DomainCount {
    std::string domain;  // lower case; "" for lines without an "@"
    std::size_t count = 0;
};

struct Volume {
    std::size_t recipients = 0;
    std::vector<DomainCount> domains;  // most first, then by name
    std::size_t count(const std::string& domain) const;
    // gmail.com and googlemail.com: one provider, one count.
    std::size_t gmail() const;
};

// The threshold at which Gmail's rules for bulk senders apply, per day.
constexpr std::size_t kGmailBulkSender = 5000;

// A list.txt text, every line that names an address, without the opted-out lines.
Volume countDomains(std::string_view listText, const recipients::OptOutList& optOuts);
// The project's list.txt; none when it is missing. Throws StoreError.
Volume projectVolume(const store::ProjectStore& store, const std::string& project,
                     const recipients::OptOutList& optOuts);

}  // namespace precheck
