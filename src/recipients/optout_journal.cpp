#include "recipients/optout_journal.h"

#include "recipients/address_key.h"
#include "recipients/csv_table.h"
#include "store/atomic_file.h"
#include "store/private_file.h"
#include "store/text_file.h"
#include "text/cp932.h"

namespace recipients {

namespace {

constexpr std::size_t kColumns = 5;

std::string cp932Field(const std::string& utf8) {
    std::string clean;
    for (const char c : utf8) {
        const auto byte = static_cast<unsigned char>(c);
        clean += byte < 0x20 || byte == 0x7F ? ' ' : c;
    }
    std::optional<std::string> bytes = text::cp932::fromUtf8(clean);
    if (!bytes) {
        bytes = std::string();
        for (const char c : clean) *bytes += static_cast<unsigned char>(c) < 0x80 ? c : '?';
    }
    std::string quoted = "\"";
    for (const char c : *bytes) {
        if (c == '"') quoted += '"';
        quoted += c;
    }
    return quoted + "\"";
}

std::string line(const std::vector<std::string>& fields) {
    std::string out;
    for (const std::string& field : fields) out += (out.empty() ? "" : ",") + cp932Field(field);
    return out + "\r\n";
}

}  // namespace

void appendJournal(const std::string& path, const std::vector<JournalEntry>& entries) {
    if (entries.empty()) return;
    store::privatefile::createIfMissing(path);
    store::textfile::AtomicWriter out(path);
    std::string old = out.oldFile() >= 0 ? store::textfile::readAll(path, out.oldFile()) : "";
    if (old.empty()) {
        old = line({"日付", "メールアドレス", "理由", "メールの日付", "Message-ID"});
    } else if (old.back() != '\n') {
        old += "\r\n";
    }
    out.append(old);
    for (const JournalEntry& entry : entries)
        out.append(
            line({entry.date, entry.address, entry.reason, entry.sourceDate, entry.messageId}));
    out.commit();
    store::privatefile::makePrivate(path);
}

std::unordered_map<std::string, JournalEntry> journalByAddress(const std::string& path) {
    std::unordered_map<std::string, JournalEntry> entries;
    if (!store::textfile::fileExists(path)) return entries;
    const std::string bytes = store::textfile::readAll(path);
    const CsvTable table = readCsv(bytes);
    for (std::size_t row = 1; row < table.rowCount(); ++row) {
        if (table.fieldCount(row) < kColumns) continue;
        auto utf8 = [&](std::size_t column) {
            return text::cp932::toUtf8Lossy(std::string(table.field(row, column)));
        };
        JournalEntry entry{utf8(0), utf8(1), utf8(2), utf8(3), utf8(4)};
        entries[addressKey(entry.address)] = std::move(entry);
    }
    return entries;
}

}  // namespace recipients
