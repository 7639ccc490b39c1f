#pragma once

#include <QString>
#include <atomic>
#include <string>

#include "mailbox/mailbox_wire.h"

// What the mailbox's connection test and a failed read tell the user.
namespace mailboxtext {

struct Outcome {
    bool ok = false;
    bool cancelled = false;
    QString text;
};

// Signs in and opens the folder; blocks, so it runs off the window's thread.
Outcome check(const mailbox::Endpoint& endpoint, const std::string& folder,
              const std::atomic<bool>& stop);

QString failureText(const mailbox::Outcome& outcome);

}  // namespace mailboxtext
