#pragma once

#include <map>
#include <set>
#include <string>

#include "mailbox/mailbox_reader.h"

// What the project remembers of its mailbox between runs: the read position, the mails
// seen (by content, so a renumbered folder counts nothing twice) and the days on which each
// address failed for the time being.
namespace mailbox {

// The SHA-1 of each mail's bytes as read, by its key, of the mails still in their mailbox.
using SeenMails = std::map<std::string, std::string>;

struct State {
    ReadPosition position;
    std::string positionOf;  // the mailbox the position is in (mailboxOf)
    std::map<std::string, SeenMails> seen;  // mailboxOf() -> its mails read; "" for mails
                                            // known by content alone (older files)
    std::map<std::string, std::set<std::string>> softDays;  // address key -> "YYYY-MM-DD"
};

// The days after which passing failures of one address make it a bounce.
inline constexpr std::size_t kSoftBounceDays = 3;

// The state in the file; an empty one when there is none. Throws StoreError when the file
// is there but cannot be read.
State loadState(const std::string& path);
void saveState(const std::string& path, const State& state);

// The digest the state knows a mail by.
std::string digestOf(const std::string& bytes);

}  // namespace mailbox
