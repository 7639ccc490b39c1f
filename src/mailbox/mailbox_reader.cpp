#include "mailbox/mailbox_reader.h"

#include "mailbox/imap_reader.h"
#include "mailbox/pop3_reader.h"

namespace mailbox {

MailboxNow readNewMail(const Endpoint& endpoint, const std::string& folder,
                       const ReadPosition& from, const OnMail& onMail, Progress& progress,
                       const std::atomic<bool>& cancel) {
    Wire wire(endpoint, cancel);
    wire.open();
    if (endpoint.protocol == Protocol::Imap)
        return imap::read(wire, folder, from, onMail, progress);
    return pop3::read(wire, from, onMail, progress);
}

std::size_t checkMailbox(const Endpoint& endpoint, const std::string& folder,
                         const std::atomic<bool>& cancel, std::string& tlsVersion) {
    Wire wire(endpoint, cancel);
    wire.open();
    tlsVersion = wire.tlsVersion();
    if (endpoint.protocol == Protocol::Imap) return imap::check(wire, folder);
    return pop3::check(wire);
}

std::string mailboxOf(const Endpoint& endpoint, const std::string& folder) {
    const std::string account = endpoint.user + "@" + endpoint.server;
    return endpoint.protocol == Protocol::Imap ? "IMAP " + account + " " + imap::quoted(folder)
                                               : "POP3 " + account;
}

bool imapFolderRefused(const std::string& folder) {
    return imap::quoted(folder).empty();
}

}  // namespace mailbox
