#include "mailbox/mailbox_state.h"

#include <glib.h>

#include "store/private_file.h"
#include "store/text_file.h"

namespace mailbox {

namespace {

// A day list never grows past what the rule looks at.
constexpr std::size_t kKeptDays = 10;

std::string word(const std::string& line, std::size_t& pos) {
    const std::size_t start = line.find_first_not_of(' ', pos);
    if (start == std::string::npos) {
        pos = line.size();
        return {};
    }
    std::size_t end = line.find(' ', start);
    if (end == std::string::npos) end = line.size();
    pos = end;
    return line.substr(start, end - start);
}

}  // namespace

std::string digestOf(const std::string& bytes) {
    gchar* text = g_compute_checksum_for_data(
        G_CHECKSUM_SHA1, reinterpret_cast<const guchar*>(bytes.data()), bytes.size());
    std::string digest(text);
    g_free(text);
    return digest;
}

State loadState(const std::string& path) {
    State state;
    if (!store::textfile::fileExists(path)) return state;
    for (const std::string& line : store::textfile::splitLines(store::textfile::readAll(path))) {
        std::size_t pos = 0;
        const std::string kind = word(line, pos);
        const std::string value = word(line, pos);
        if (kind == "MAILBOX") {
            state.positionOf = pos < line.size() ? line.substr(line.find(' ') + 1) : "";
        } else if (kind == "UIDVALIDITY") {
            state.position.uidValidity = value;
        } else if (kind == "LASTUID") {
            state.position.lastUid = std::strtoull(value.c_str(), nullptr, 10);
        } else if (kind == "UIDL") {
            state.position.uidls.insert(value);
        } else if (kind == "SEEN") {
            // "SEEN digest key mailbox", the mailbox to the line's end; older files name the
            // digest alone.
            const std::string key = word(line, pos);
            const std::string mailbox = pos < line.size() ? line.substr(pos + 1) : "";
            state.seen[key.empty() ? "" : mailbox][key.empty() ? value : key] = value;
        } else if (kind == "SOFT") {
            std::set<std::string>& days = state.softDays[value];
            for (std::string day = word(line, pos); !day.empty(); day = word(line, pos))
                days.insert(day);
        }
    }
    return state;
}

void saveState(const std::string& path, const State& state) {
    std::string text;
    text += "MAILBOX " + state.positionOf + "\r\n";
    text += "UIDVALIDITY " + state.position.uidValidity + "\r\n";
    text += "LASTUID " + std::to_string(state.position.lastUid) + "\r\n";
    for (const std::string& uidl : state.position.uidls) text += "UIDL " + uidl + "\r\n";
    for (const auto& [mailbox, mails] : state.seen)
        for (const auto& [key, digest] : mails)
            text += "SEEN " + digest + (mailbox.empty() ? "" : " " + key + " " + mailbox) + "\r\n";
    for (const auto& [address, days] : state.softDays) {
        text += "SOFT " + address;
        std::size_t skip = days.size() > kKeptDays ? days.size() - kKeptDays : 0;
        for (const std::string& day : days)
            if (skip > 0) {
                --skip;
            } else {
                text += " " + day;
            }
        text += "\r\n";
    }
    store::privatefile::writeAll(path, text);
}

}  // namespace mailbox
