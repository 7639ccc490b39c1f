#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "mailbox/mail_kind.h"

// Returned mail without a delivery status report: the reason is in the text, in whatever
// words the returning server chose.
namespace mailbox {

// From MAILER-DAEMON or postmaster, or a subject that returning servers use.
bool looksReturned(const std::string& fromAddress, const std::string& subject);

// The addresses the text names with a code beside them (on the line or the three after).
// An address without a code, or a text naming none, gives a Review finding: what cannot be
// read clearly is never taken as a bounce. `own` (the mailbox's own address) is skipped.
std::vector<Finding> plainFindings(std::string_view text, const std::string& own, std::size_t cap,
                                   bool& capped);

// The addresses in a line: runs around an "@" with a dot in the domain, without the
// brackets, quotes and punctuation around them.
std::vector<std::string> addressesIn(std::string_view line);

}  // namespace mailbox
