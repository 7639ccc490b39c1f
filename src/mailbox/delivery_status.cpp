#include "mailbox/delivery_status.h"

#include <cctype>

#include "mailbox/text_bounds.h"

namespace mailbox {

namespace {

bool isDigit(char c) {
    return c >= '0' && c <= '9';
}

// "rfc822; a@b" gives "a@b"; a value without a type is taken whole.
std::string typedValue(const std::string& value) {
    const std::size_t semicolon = value.find(';');
    const std::string rest = semicolon == std::string::npos ? value : value.substr(semicolon + 1);
    std::string out = oneLine(rest, 512);
    if (out.size() >= 2 && out.front() == '<' && out.back() == '>')
        out = out.substr(1, out.size() - 2);
    return out;
}

void take(StatusBlock& block, const std::string& name, const std::string& value) {
    if (name == "final-recipient") {
        block.finalRecipient = typedValue(value);
    } else if (name == "original-recipient") {
        block.originalRecipient = typedValue(value);
    } else if (name == "action") {
        block.action = lowerAscii(oneLine(value, 40));
    } else if (name == "status") {
        const std::string status = oneLine(value, 40);
        block.status = status.substr(0, status.find(' '));
    } else if (name == "diagnostic-code") {
        block.diagnostic = typedValue(value);
    }
}

bool containsAny(const std::string& lowered, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (lowered.find(word) != std::string::npos) return true;
    return false;
}

}  // namespace

std::vector<StatusBlock> statusBlocks(std::string_view text, std::size_t cap, bool& capped) {
    std::vector<StatusBlock> blocks;
    StatusBlock block;
    bool recipientBlock = false;
    std::string name;
    std::string value;
    auto endField = [&] {
        if (!name.empty()) take(block, name, value);
        if (name == "final-recipient" || name == "original-recipient" || name == "action")
            recipientBlock = true;
        name.clear();
        value.clear();
    };
    auto endBlock = [&] {
        endField();
        if (recipientBlock) {
            if (blocks.size() < cap) {
                blocks.push_back(std::move(block));
            } else {
                capped = true;
            }
        }
        block = StatusBlock{};
        recipientBlock = false;
    };
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        pos = end + 1;
        if (line.empty()) {
            endBlock();
            if (capped) return blocks;
            continue;
        }
        if (line.front() == ' ' || line.front() == '\t') {
            if (value.size() < 4096) value.append(" ").append(line);
            continue;
        }
        endField();
        const std::size_t colon = line.find(':');
        if (colon == std::string_view::npos) continue;
        name = lowerAscii(oneLine(line.substr(0, colon), 64));
        value = std::string(line.substr(colon + 1, 4096));
    }
    endBlock();
    return blocks;
}

Kind kindOfStatus(const std::string& action, const std::string& status,
                  const std::string& diagnostic) {
    const std::string lowered = lowerAscii(diagnostic);
    const char klass = status.empty() ? '\0' : status[0];
    if (action == "delivered" || action == "relayed" || action == "expanded") return Kind::Other;
    // X.2.2: the mailbox is full, which its owner may mend.
    if (status.size() == 5 && status.compare(1, 4, ".2.2") == 0) return Kind::Temporary;
    if (action == "delayed" || klass == '4') return Kind::Temporary;
    if (klass != '5') return action == "failed" ? Kind::Review : Kind::Other;
    if (status.compare(0, 4, "5.7.") == 0 ||
        containsAny(lowered, {"spam", "blocklist", "blacklist", "block list", "reputation", "spf",
                              "dkim", "dmarc"}))
        return Kind::Policy;
    return Kind::Bounce;
}

std::string statusIn(std::string_view text) {
    // d.ddd.ddd
    for (std::size_t i = 0; i + 5 <= text.size(); ++i) {
        if ((text[i] != '2' && text[i] != '4' && text[i] != '5') || text[i + 1] != '.') continue;
        if (i > 0 && (isDigit(text[i - 1]) || text[i - 1] == '.')) continue;
        std::size_t j = i + 2;
        std::size_t digits = 0;
        while (j < text.size() && isDigit(text[j]) && digits < 3) ++j, ++digits;
        if (digits == 0 || j >= text.size() || text[j] != '.') continue;
        std::size_t k = j + 1;
        digits = 0;
        while (k < text.size() && isDigit(text[k]) && digits < 3) ++k, ++digits;
        if (digits == 0 || (k < text.size() && (isDigit(text[k]) || text[k] == '.'))) continue;
        return std::string(text.substr(i, k - i));
    }
    // ddd standing alone
    for (std::size_t i = 0; i + 3 <= text.size(); ++i) {
        if ((text[i] != '4' && text[i] != '5') || !isDigit(text[i + 1]) || !isDigit(text[i + 2]))
            continue;
        if (i > 0 && std::isalnum(static_cast<unsigned char>(text[i - 1]))) continue;
        if (i + 3 < text.size() &&
            (std::isalnum(static_cast<unsigned char>(text[i + 3])) || text[i + 3] == '.'))
            continue;
        return std::string(text.substr(i, 3));
    }
    return {};
}

}  // namespace mailbox
