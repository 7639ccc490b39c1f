#pragma once

#include "mailbox/mailbox_reader.h"

namespace mailbox::pop3 {

MailboxNow read(Wire& wire, const ReadPosition& from, const OnMail& onMail, Progress& progress);
std::size_t check(Wire& wire);

}  // namespace mailbox::pop3
