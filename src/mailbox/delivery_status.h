#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "mailbox/mail_kind.h"

// The per-recipient blocks of a delivery status report (message/delivery-status and its
// international form message/global-delivery-status), and what each one means.
namespace mailbox {

struct StatusBlock {
    std::string finalRecipient;     // the address after "rfc822;" (or "utf-8;")
    std::string originalRecipient;  // the same, from Original-Recipient
    std::string action;             // lower case
    std::string status;             // "5.1.1"
    std::string diagnostic;         // after "smtp;", one line
};

// The recipient blocks, at most `cap`; `capped` tells when more followed.
std::vector<StatusBlock> statusBlocks(std::string_view text, std::size_t cap, bool& capped);

// The kind a status and its server text make: 5.7.x or a refusal for spam, reputation or
// sender authentication is the sender's problem; a full mailbox and 4.x.x pass; other
// 5.x.x are for good. Kind::Other for a status that reports no failure.
Kind kindOfStatus(const std::string& action, const std::string& status,
                  const std::string& diagnostic);

// An enhanced status code "d.ddd.ddd" in the text, else a three-digit SMTP reply code
// 4xx/5xx standing alone; "" when there is none.
std::string statusIn(std::string_view text);

}  // namespace mailbox
