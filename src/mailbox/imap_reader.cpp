#include "mailbox/imap_reader.h"

#include <cctype>
#include <functional>
#include <vector>

#include "text/iconv_converter.h"

namespace mailbox::imap {

namespace {

// A SEARCH answer lists every UID on one line.
constexpr std::size_t kMaxLine = 16 * 1024 * 1024;
constexpr std::size_t kFetchBatch = 100;

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// The literal "{n}" that ends a line, or -1.
long long literalSize(const std::string& line) {
    if (line.empty() || line.back() != '}') return -1;
    const std::size_t open = line.rfind('{');
    if (open == std::string::npos) return -1;
    std::string digits = line.substr(open + 1, line.size() - open - 2);
    if (!digits.empty() && digits.back() == '+') digits.pop_back();
    if (digits.empty() || digits.size() > 12) return -1;
    for (const char c : digits)
        if (!isDigit(c)) return -1;
    return std::stoll(digits);
}

// The number after `name ` in the text, or 0.
std::uint64_t numberAfter(const std::string& text, const char* name) {
    const std::string key = std::string(name) + " ";
    std::size_t at = text.find(key);
    while (at != std::string::npos && at > 0 && text[at - 1] != ' ' && text[at - 1] != '(' &&
           text[at - 1] != '[')
        at = text.find(key, at + 1);
    if (at == std::string::npos) return 0;
    std::uint64_t value = 0;
    for (std::size_t i = at + key.size(); i < text.size() && isDigit(text[i]); ++i)
        value = value * 10 + std::uint64_t(text[i] - '0');
    return value;
}

class Dialogue {
public:
    explicit Dialogue(Wire& wire) : wire_(wire) {}

    // Sends a command and reads up to its tagged answer; each untagged answer is given
    // with its text (literals cut out) and its first literal. A refusal ends the dialogue.
    void run(
        const std::string& command,
        const std::function<void(const std::string& text, const std::string& literal)>& untagged) {
        const std::string tag = "F" + std::to_string(++count_);
        wire_.send(tag + " " + command + "\r\n");
        for (;;) {
            std::string text = wire_.line(kMaxLine);
            std::string literal;
            bool first = true;
            for (long long size = literalSize(text); size >= 0; size = literalSize(text)) {
                text.erase(text.rfind('{'));
                std::string bytes;
                wire_.bytes(std::size_t(size), first ? kMaxMailBytes : 0, bytes);
                if (first) literal = std::move(bytes);
                first = false;
                text += wire_.line(kMaxLine);
            }
            if (text.rfind(tag + " ", 0) == 0) {
                const std::string status = text.substr(tag.size() + 1, 3);
                if (status != "OK ") wire_.fail(smtp::Failure::ServerRefused, text);
                return;
            }
            if (text.rfind("* ", 0) == 0 && untagged) untagged(text, literal);
        }
    }

private:
    Wire& wire_;
    int count_ = 0;
};

std::string examine(Dialogue& dialogue, const std::string& folder, std::size_t* exists) {
    const std::string name = quoted(folder);
    std::string validity;
    dialogue.run("EXAMINE " + name, [&](const std::string& text, const std::string&) {
        const std::size_t at = text.find("[UIDVALIDITY ");
        if (at != std::string::npos) validity = std::to_string(numberAfter(text, "[UIDVALIDITY"));
        if (exists && text.size() > 9 && text.compare(text.size() - 7, 7, " EXISTS") == 0)
            *exists = std::size_t(numberAfter("x " + text.substr(2), "x"));
    });
    return validity;
}

}  // namespace

std::string quoted(const std::string& folder) {
    for (const char c : folder)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) return {};
    // Names beyond ASCII travel in modified UTF-7, which leaves ASCII as it is but "&".
    text::IconvConverter toImap("UTF-7-IMAP", "UTF-8");
    std::string name;
    std::size_t consumed = 0;
    if (!toImap.run(folder, name, consumed)) return {};
    std::string out = "\"";
    for (const char c : name) {
        if (c == '"' || c == '\\') out += '\\';
        out += c;
    }
    return out + "\"";
}

std::size_t check(Wire& wire, const std::string& folder) {
    Dialogue dialogue(wire);
    std::size_t exists = 0;
    examine(dialogue, folder, &exists);
    return exists;
}

MailboxNow read(Wire& wire, const std::string& folder, const ReadPosition& from,
                const OnMail& onMail, Progress& progress) {
    Dialogue dialogue(wire);
    MailboxNow now;
    ReadPosition& position = now.position;
    position.uidValidity = examine(dialogue, folder, nullptr);
    // Another UIDVALIDITY numbers the folder anew: every mail is read again, and the
    // caller knows the ones it has seen by their content.
    const std::uint64_t after = position.uidValidity == from.uidValidity ? from.lastUid : 0;
    position.lastUid = after;

    // Every UID, so that what was read of the mails gone can be forgotten.
    std::vector<std::uint64_t> uids;
    dialogue.run("UID SEARCH ALL", [&](const std::string& text, const std::string&) {
        if (text.rfind("* SEARCH", 0) != 0) return;
        std::uint64_t value = 0;
        bool inNumber = false;
        for (std::size_t i = 8; i <= text.size(); ++i) {
            if (i < text.size() && isDigit(text[i])) {
                value = value * 10 + std::uint64_t(text[i] - '0');
                inNumber = true;
            } else if (inNumber) {
                now.keys.insert(std::to_string(value));
                if (value > after) uids.push_back(value);
                value = 0;
                inNumber = false;
            }
        }
    });
    progress.total = uids.size();
    for (std::size_t i = 0; i < uids.size(); i += kFetchBatch) {
        std::string set;
        for (std::size_t j = i; j < uids.size() && j < i + kFetchBatch; ++j)
            set += (set.empty() ? "" : ",") + std::to_string(uids[j]);
        dialogue.run(
            "UID FETCH " + set + " (UID BODY.PEEK[]<0." + std::to_string(kMaxMailBytes) + ">)",
            [&](const std::string& text, const std::string& literal) {
                if (text.find(" FETCH (") == std::string::npos) return;
                const std::uint64_t uid = numberAfter(text, "UID");
                if (uid <= after) return;
                onMail(std::to_string(uid), literal);
                if (uid > position.lastUid) position.lastUid = uid;
                ++progress.done;
            });
    }
    return now;
}

}  // namespace mailbox::imap
