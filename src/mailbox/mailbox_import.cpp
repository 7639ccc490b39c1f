#include "mailbox/mailbox_import.h"

#include <map>
#include <set>
#include <stdexcept>
#include <unordered_map>
#include <unordered_set>

#include "mailbox/mail_classifier.h"
#include "recipients/address_key.h"
#include "recipients/field_lines.h"
#include "recipients/optout_journal.h"
#include "recipients/optout_merge.h"
#include "recipients/optout_reader.h"
#include "store/comma_text.h"
#include "store/optout_file.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "text/cp932.h"
#include "text/half_width.h"

namespace mailbox {

namespace {

// The project's groups by address key, from list.txt.
std::unordered_map<std::string, std::set<int>> groupsOf(const store::ProjectStore& store,
                                                        const std::string& project) {
    std::unordered_map<std::string, std::set<int>> groups;
    const std::string path = store.listPath(project);
    if (!store::textfile::fileExists(path)) return groups;
    for (const std::string& line : store::textfile::splitLines(store::textfile::readAll(path))) {
        const std::vector<std::string> fields = store::commatext::split(line);
        if (fields.size() != 2) continue;
        char* end = nullptr;
        const long group = std::strtol(fields[1].c_str(), &end, 10);
        if (end == fields[1].c_str() || *end != '\0' || group < 0) continue;
        groups[recipients::addressKey(text::cp932::toUtf8Lossy(fields[0]))].insert(int(group));
    }
    return groups;
}

std::string groupText(const std::set<int>& groups) {
    std::string text;
    for (const int group : groups) text += (text.empty() ? "" : ", ") + std::to_string(group + 1);
    return text;
}

// The address as the list would hold it, or the fault that keeps it off.
recipients::AddressFault checked(const std::string& raw, std::string& address) {
    address = text::toHalfWidth(recipients::trimBlanks(raw));
    return recipients::checkAddress(address);
}

}  // namespace

Endpoint endpointFor(const Settings& settings) {
    Endpoint endpoint;
    endpoint.protocol = settings.protocol;
    endpoint.server = std::string(recipients::trimBlanks(settings.server));
    char* end = nullptr;
    const long port = std::strtol(settings.port.c_str(), &end, 10);
    endpoint.port = end != settings.port.c_str() && port > 0 && port < 65536
                        ? int(port)
                        : defaultPort(settings.protocol);
    endpoint.user = settings.user;
    endpoint.password = settings.password;
    return endpoint;
}

std::string reasonOf(const Finding& finding) {
    switch (finding.kind) {
        case Kind::OptOutRequest:
            return "本人の申し出";
        case Kind::Complaint:
            return "苦情";
        default:
            return finding.status.empty() ? std::string("不達") : "不達 " + finding.status;
    }
}

Report readReport(const store::ProjectStore& store, const std::string& project,
                  const Endpoint& endpoint, const std::string& folder, Progress& progress,
                  const std::atomic<bool>& cancel, const std::string& today) {
    Report report;
    report.next = loadState(store.mailboxStatePath(project));
    const auto groups = groupsOf(store, project);
    const std::string own = endpoint.user.find('@') != std::string::npos ? endpoint.user : "";
    State& next = report.next;
    // A renumbered folder, another protocol or folder gives the same mails again: each
    // counts once, whichever mailbox it was read from.
    std::unordered_set<std::string> known;
    for (const auto& [mailbox, mails] : next.seen)
        for (const auto& [key, digest] : mails) known.insert(digest);
    SeenMails readNow;
    auto onMail = [&](const std::string& key, const std::string& bytes) {
        const std::string digest = digestOf(bytes);
        readNow[key] = digest;
        if (!known.insert(digest).second) return;
        ++report.mails;
        const Verdict verdict = classify(bytes, own);
        report.capped = report.capped || verdict.capped;
        // A mail counts under its strongest row's kind, as the classifier ranks them; a row
        // promoted to 不達 outranks every other, so the counts say what the table shows.
        Kind counted = verdict.kind;
        for (Finding finding : verdict.findings) {
            if (verdict.kind == Kind::Other) break;  // nothing came back: no rows
            std::string address;
            if (finding.kind == Kind::Temporary &&
                checked(finding.address, address) == recipients::AddressFault::None) {
                std::set<std::string>& days = next.softDays[recipients::addressKey(address)];
                days.insert(verdict.day.empty() ? today : verdict.day);
                if (days.size() >= kSoftBounceDays) {
                    finding.kind = counted = Kind::Bounce;
                    finding.diagnostic =
                        std::to_string(days.size()) + " 日にわたる一時不達: " + finding.diagnostic;
                }
            }
            if (report.rows.size() == kMaxRows) {
                report.capped = true;
                continue;
            }
            ReportRow row;
            row.date = verdict.date;
            row.subject = verdict.subject;
            row.messageId = verdict.messageId;
            const auto listed = groups.find(recipients::addressKey(finding.address));
            if (listed != groups.end()) row.groups = groupText(listed->second);
            row.ticked = tickedByDefault(finding.kind);
            row.finding = std::move(finding);
            report.rows.push_back(std::move(row));
        }
        ++report.counts[std::size_t(counted)];
    };
    // Mails known by content alone are read once more, to learn their keys. A position is
    // of one mailbox: another folder, account or protocol is read from its start, since its
    // UIDs may run behind this one's.
    const std::string here = mailboxOf(endpoint, folder);
    const bool unkeyed = next.seen.count("") > 0;
    const ReadPosition from = unkeyed || next.positionOf != here ? ReadPosition{} : next.position;
    const MailboxNow now = readNewMail(endpoint, folder, from, onMail, progress, cancel);
    next.position = now.position;
    next.positionOf = here;
    next.seen.erase("");
    // Only the mails still in the mailbox are remembered; a renumbered folder was read whole.
    SeenMails& seen = next.seen[here];
    if (now.position.uidValidity != from.uidValidity) seen.clear();
    for (auto at = seen.begin(); at != seen.end();)
        at = now.keys.count(at->first) ? std::next(at) : seen.erase(at);
    for (const auto& [key, digest] : readNow) seen[key] = digest;
    return report;
}

Addition addTicked(const store::ProjectStore& store, const std::string& project,
                   const Report& report, const std::string& now) {
    Addition addition;
    // The ticked addresses that the list can hold, each once, with the row that named it.
    std::vector<std::pair<std::string, const ReportRow*>> wanted;
    std::unordered_set<std::string> wantedKeys;
    for (const ReportRow& row : report.rows) {
        if (!row.ticked || !mayOptOut(row.finding.kind)) continue;
        std::string address;
        const recipients::AddressFault fault = checked(row.finding.address, address);
        if (fault != recipients::AddressFault::None) {
            addition.refused.push_back({row.finding.address, fault});
            continue;
        }
        if (wantedKeys.insert(recipients::addressKey(address)).second)
            wanted.emplace_back(address, &row);
    }

    std::vector<recipients::JournalEntry> journal;
    const std::string path = store.optOutPath();
    store::optoutfile::rewrite(path, [&](const std::string& bytes) {
        const recipients::OptOutFileText onDisk = recipients::readOptOutText(bytes);
        if (!onDisk.readable() || !onDisk.ownForm)
            throw std::runtime_error("配信停止リスト " + path +
                                     " がこのツールの形式ではありません。先に「配信停止リスト…」で"
                                     "開いて保存してください");
        std::vector<std::string> edited;
        std::unordered_set<std::string> listed;
        recipients::forEachFieldLine(onDisk.addresses, [&](std::size_t, std::string_view line) {
            if (line.empty()) return;
            edited.emplace_back(line);
            listed.insert(recipients::addressKey(line));
        });
        journal.clear();
        addition.added = 0;
        addition.alreadyListed = 0;
        for (const auto& [address, row] : wanted) {
            if (listed.count(recipients::addressKey(address))) {
                ++addition.alreadyListed;
                continue;
            }
            edited.push_back(address);
            ++addition.added;
            journal.push_back({now, address, reasonOf(row->finding), row->date, row->messageId});
        }
        return store::optoutfile::Rewrite{
            recipients::mergeOptOutEdits(onDisk, onDisk, edited).addresses, false};
    });
    recipients::appendJournal(store.optOutJournalPath(), journal);
    saveState(store.mailboxStatePath(project), report.next);
    return addition;
}

}  // namespace mailbox
