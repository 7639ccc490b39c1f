#pragma once

#include "mailbox/mailbox_reader.h"

namespace mailbox::imap {

MailboxNow read(Wire& wire, const std::string& folder, const ReadPosition& from,
                const OnMail& onMail, Progress& progress);
std::size_t check(Wire& wire, const std::string& folder);

// The folder (UTF-8) as an IMAP quoted string of its modified UTF-7 name; empty when it
// holds control characters or is not UTF-8.
std::string quoted(const std::string& folder);

}  // namespace mailbox::imap
