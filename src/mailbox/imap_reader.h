#pragma once

#include "mailbox/mailbox_reader.h"

namespace mailbox::imap {

ReadPosition read(Wire& wire, const std::string& folder, const ReadPosition& from,
                  const OnMail& onMail, Progress& progress);
std::size_t check(Wire& wire, const std::string& folder);

// The folder as an IMAP quoted string; empty when it holds what a quoted string cannot
// (control characters, non-ASCII, which would need modified UTF-7).
std::string quoted(const std::string& folder);

}  // namespace mailbox::imap
