#include "mailbox/plain_bounce.h"

#include <algorithm>
#include <set>

#include "mailbox/delivery_status.h"
#include "mailbox/text_bounds.h"

namespace mailbox {

namespace {

constexpr std::size_t kLinesAfter = 3;

bool addressByte(unsigned char c) {
    return c > 0x20 && c < 0x7F && c != '<' && c != '>' && c != '(' && c != ')' && c != ',' &&
           c != ';' && c != ':' && c != '"' && c != '\'' && c != '[' && c != ']';
}

bool startsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

// Where the copy of the returned message begins: its headers would name the sender and
// the recipient again.
bool startsCopy(const std::string& lowered) {
    for (const char* marker :
         {"received:", "return-path:", "message-id:", "content-type:", "mime-version:",
          "--- below this line", "------ this is a copy", "----- original message",
          "original message follows", "----- transcript", "------ original message header",
          "--- the header of the original", "-----original message-----"})
        if (startsWith(lowered, marker)) return true;
    return false;
}

std::vector<std::string_view> linesOf(std::string_view text) {
    std::vector<std::string_view> lines;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string_view::npos) end = text.size();
        std::string_view line = text.substr(pos, end - pos);
        if (!line.empty() && line.back() == '\r') line.remove_suffix(1);
        lines.push_back(line);
        pos = end + 1;
    }
    return lines;
}

}  // namespace

bool looksReturned(const std::string& fromAddress, const std::string& subject) {
    const std::string from = lowerAscii(fromAddress);
    const std::string local = from.substr(0, from.find('@'));
    if (local == "mailer-daemon" || local == "postmaster") return true;
    const std::string lowered = lowerAscii(subject);
    for (const char* word :
         {"undeliver", "returned mail", "delivery status notification", "mail delivery failed",
          "failure notice", "delivery failure", "mail system error", "配送エラー", "送信エラー",
          "配信エラー", "不達", "配送不能"})
        if (lowered.find(word) != std::string::npos) return true;
    return false;
}

std::vector<std::string> addressesIn(std::string_view line) {
    std::vector<std::string> found;
    std::size_t at = line.find('@');
    while (at != std::string_view::npos) {
        std::size_t from = at;
        while (from > 0 && addressByte(static_cast<unsigned char>(line[from - 1]))) --from;
        std::size_t to = at + 1;
        while (to < line.size() && addressByte(static_cast<unsigned char>(line[to]))) ++to;
        std::string address(line.substr(from, to - from));
        while (!address.empty() && (address.back() == '.' || address.back() == '-'))
            address.pop_back();
        const std::size_t sign = address.find('@');
        if (sign > 0 && sign != std::string::npos && address.find('.', sign) != std::string::npos &&
            address.find('@', sign + 1) == std::string::npos)
            found.push_back(address);
        at = line.find('@', std::max(to, at + 1));
    }
    return found;
}

std::vector<Finding> plainFindings(std::string_view text, const std::string& own, std::size_t cap,
                                   bool& capped) {
    const std::vector<std::string_view> lines = linesOf(text);
    const std::string ownKey = lowerAscii(own);
    std::vector<Finding> findings;
    std::set<std::string> seen;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (startsCopy(lowerAscii(lines[i].substr(0, 64)))) break;
        for (const std::string& address : addressesIn(lines[i])) {
            const std::string key = lowerAscii(address);
            if (key == ownKey || !seen.insert(key).second) continue;
            if (findings.size() == cap) {
                capped = true;
                return findings;
            }
            Finding finding;
            finding.address = address;
            for (std::size_t j = i; j < lines.size() && j <= i + kLinesAfter; ++j) {
                if (j > i && startsCopy(lowerAscii(lines[j].substr(0, 64)))) break;
                finding.status = statusIn(lines[j]);
                if (!finding.status.empty()) {
                    finding.diagnostic = oneLine(lines[j]);
                    break;
                }
            }
            if (finding.status.empty()) {
                finding.kind = Kind::Review;
                finding.diagnostic = oneLine(lines[i]);
            } else {
                const std::string status = finding.status.size() == 3
                                               ? std::string(1, finding.status[0]) + ".0.0"
                                               : finding.status;
                finding.kind = kindOfStatus(status[0] == '4' ? "delayed" : "failed", status,
                                            finding.diagnostic);
                if (finding.kind == Kind::Other) finding.kind = Kind::Review;
            }
            findings.push_back(std::move(finding));
        }
    }
    if (findings.empty()) {
        Finding finding;
        finding.kind = Kind::Review;
        finding.diagnostic = "宛先のアドレスを本文から読み取れません";
        findings.push_back(finding);
    }
    return findings;
}

}  // namespace mailbox
