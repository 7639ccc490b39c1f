#pragma once

#include <string>
#include <unordered_map>
#include <vector>

// The record of why each address went on the opt-out list: a CSV beside optout.txt, in
// CP932 so that a spreadsheet opens it, one line per address added. It is the record a
// sender shows when asked about opt-out requests; the gates never read it.
namespace recipients {

struct JournalEntry {
    std::string date;        // when it was added, "YYYY-MM-DD HH:MM"
    std::string address;     // ASCII, checked
    std::string reason;      // 本人の申し出 / 苦情 / 不達 5.1.1 / 手入力 (UTF-8)
    std::string sourceDate;  // the mail's Date, "" for 手入力
    std::string messageId;   // the mail's Message-ID, "" for 手入力
};

// The reason of an address typed into the opt-out dialog.
inline constexpr const char* kTypedReason = "手入力";

// Appends the entries under the writer's lock (a new file starts with its heading line).
// Control characters never reach the file; a character CP932 cannot hold becomes "?".
// Throws StoreError.
void appendJournal(const std::string& path, const std::vector<JournalEntry>& entries);

// The last entry of each address (by its address key); empty when there is no journal.
// Throws StoreError when the file is there but cannot be read.
std::unordered_map<std::string, JournalEntry> journalByAddress(const std::string& path);

}  // namespace recipients
