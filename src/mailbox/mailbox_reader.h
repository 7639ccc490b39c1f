#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <set>
#include <string>

#include "mailbox/mailbox_wire.h"

// Reads the mail that arrived since the last run, without changing the mailbox: IMAP
// examines the folder read-only and fetches with BODY.PEEK; POP3 takes each mail with TOP
// and never sends DELE.
namespace mailbox {

// What was read before, kept in the project's folder.
struct ReadPosition {
    std::string uidValidity;  // IMAP: the folder's UIDVALIDITY when last read
    std::uint64_t lastUid = 0;
    std::set<std::string> uidls;  // POP3: the UIDL values read
    bool operator==(const ReadPosition& other) const {
        return uidValidity == other.uidValidity && lastUid == other.lastUid && uidls == other.uidls;
    }
};

// Each mail is read up to this many bytes: a delivery report comes before the returned
// copy, and a huge attachment must not fill the memory.
inline constexpr std::size_t kMaxMailBytes = 2 * 1024 * 1024;

struct Progress {
    std::atomic<std::size_t> done{0};
    std::atomic<std::size_t> total{0};
};

// Gets each new mail's key (IMAP: its UID; POP3: its UIDL) and bytes (at most
// kMaxMailBytes), in the mailbox's order.
using OnMail = std::function<void(const std::string& key, const std::string& bytes)>;

struct MailboxNow {
    ReadPosition position;       // to remember once the new mail is dealt with
    std::set<std::string> keys;  // of every mail in the mailbox now, new or not
};

// Reads the new mail. Throws WireFailure (cancel included).
MailboxNow readNewMail(const Endpoint& endpoint, const std::string& folder,
                       const ReadPosition& from, const OnMail& onMail, Progress& progress,
                       const std::atomic<bool>& cancel);

// The mailbox whose mails the keys name: "POP3 user@server", or "IMAP user@server" and the
// folder as it is sent.
std::string mailboxOf(const Endpoint& endpoint, const std::string& folder);

// Signs in and opens the folder (IMAP) or the maildrop (POP3), reading nothing. Returns
// the mail count; throws WireFailure.
std::size_t checkMailbox(const Endpoint& endpoint, const std::string& folder,
                         const std::atomic<bool>& cancel, std::string& tlsVersion);

// A folder name the reader cannot send: control characters, or bytes that are not UTF-8.
bool imapFolderRefused(const std::string& folder);

}  // namespace mailbox
