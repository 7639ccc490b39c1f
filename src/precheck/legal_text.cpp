#include "precheck/legal_text.h"

#include <regex>
#include <set>
#include <vector>

#include "text/half_width.h"

namespace precheck {
namespace {

const char* const kCompanyForms[] = {"株式会社",    "有限会社", "合同会社", "合資会社",  "合名会社",
                                     "(株)",        "(有)",     "㈱",       "㈲",        "社団法人",
                                     "財団法人",    "NPO法人",  "Inc.",     "Co., Ltd.", "Co.,Ltd.",
                                     "Corporation", "LLC"};

const char* const kOptOutWords[] = {
    "配信停止",   "配信解除",     "受信拒否",    "購読解除",           "購読停止", "配信の停止",
    "配信を停止", "配信の解除",   "配信を解除",  "配信を希望されない", "配信不要", "登録解除",
    "メール停止", "オプトアウト", "unsubscribe", "Unsubscribe"};

const char* const kContactLabels[] = {
    "お問い合わせ", "お問合せ", "問い合わせ", "問合せ", "問合わせ", "連絡先", "苦情",
    "TEL",          "Tel",      "tel",        "電話",   "Phone",    "phone"};

const char* const kPrefectures[] = {
    "北海道", "青森県", "岩手県", "宮城県", "秋田県", "山形県",   "福島県", "茨城県",
    "栃木県", "群馬県", "埼玉県", "千葉県", "東京都", "神奈川県", "新潟県", "富山県",
    "石川県", "福井県", "山梨県", "長野県", "岐阜県", "静岡県",   "愛知県", "三重県",
    "滋賀県", "京都府", "大阪府", "兵庫県", "奈良県", "和歌山県", "鳥取県", "島根県",
    "岡山県", "広島県", "山口県", "徳島県", "香川県", "愛媛県",   "高知県", "福岡県",
    "佐賀県", "長崎県", "熊本県", "大分県", "宮崎県", "鹿児島県", "沖縄県"};

const char* const kTownMarks[] = {"市", "区", "町", "村", "郡"};

bool hasAny(const std::string& text, const char* const* words, std::size_t count) {
    for (std::size_t i = 0; i < count; ++i)
        if (text.find(words[i]) != std::string::npos) return true;
    return false;
}

template <std::size_t N>
bool hasAny(const std::string& text, const char* const (&words)[N]) {
    return hasAny(text, words, N);
}

const std::regex& addressOrUrl() {
    static const std::regex pattern(
        R"([A-Za-z0-9._%+\-]+@[A-Za-z0-9\-]+(\.[A-Za-z0-9\-]+)+|https?://[^\s]+)");
    return pattern;
}

std::vector<std::string> addressesOn(const std::string& line) {
    std::vector<std::string> found;
    for (std::sregex_iterator it(line.begin(), line.end(), addressOrUrl()), end; it != end; ++it)
        found.push_back(it->str());
    return found;
}

// The line's own words: a label or an opt-out word inside "hotel@…" or "…/unsubscribe" is
// neither.
std::string wordsOf(const std::string& line) {
    return std::regex_replace(line, addressOrUrl(), " ");
}

bool hasPhone(const std::string& line) {
    // Ten digits or more in one run of digits, hyphens, brackets and blanks: a Japanese
    // number with its area code, or one with +81.
    static const std::regex pattern(R"([+0-9][0-9()\- ]{8,}[0-9])");
    std::smatch match;
    for (auto it = line.cbegin(); std::regex_search(it, line.cend(), match, pattern);
         it = match.suffix().first) {
        int digits = 0;
        for (char c : match.str())
            if (c >= '0' && c <= '9') ++digits;
        if (digits >= 10) return true;
    }
    return false;
}

bool hasPostalAddress(const std::string& text) {
    static const std::regex postalCode(u8"〒 ?[0-9]{3}-?[0-9]{4}");
    if (std::regex_search(text, postalCode)) return true;
    for (const char* prefecture : kPrefectures) {
        for (std::size_t at = text.find(prefecture); at != std::string::npos;
             at = text.find(prefecture, at + 1)) {
            // A town follows within a few characters (each three bytes in UTF-8).
            const std::string after = text.substr(at + std::string(prefecture).size(), 8 * 3);
            if (hasAny(after, kTownMarks)) return true;
        }
    }
    return false;
}

std::vector<std::string> linesOf(const std::string& text) {
    std::vector<std::string> lines;
    std::size_t pos = 0;
    while (pos <= text.size()) {
        std::size_t end = text.find('\n', pos);
        if (end == std::string::npos) end = text.size();
        lines.push_back(text.substr(pos, end - pos));
        pos = end + 1;
    }
    return lines;
}

// The addresses and URLs an opt-out statement on line `index` gives: its own line's, else
// those of the nearest line within `reach` that has any, the line below first.
std::vector<std::string> optOutTargets(const std::vector<std::vector<std::string>>& addresses,
                                       std::size_t index, std::size_t reach) {
    for (std::size_t step = 0; step <= reach; ++step) {
        if (index + step < addresses.size() && !addresses[index + step].empty())
            return addresses[index + step];
        if (step <= index && !addresses[index - step].empty()) return addresses[index - step];
    }
    return {};
}

}  // namespace

LegalFindings findLegalText(const std::string& body, const std::string& senderName) {
    const std::string text = text::toHalfWidth(body);
    const std::string name = text::toHalfWidth(senderName);
    LegalFindings found;
    found.senderName =
        (!name.empty() && text.find(name) != std::string::npos) || hasAny(text, kCompanyForms);
    found.postalAddress = hasPostalAddress(text);
    const std::vector<std::string> lines = linesOf(text);
    std::vector<std::vector<std::string>> addresses;
    std::vector<std::string> words;
    for (const std::string& line : lines) {
        addresses.push_back(addressesOn(line));
        words.push_back(wordsOf(line));
    }
    // The law asks for the opt-out address and a contact as two items: what the statement
    // points at never counts as the contact.
    std::set<std::string> optOutOwn;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        if (!hasAny(words[i], kOptOutWords)) continue;
        const std::vector<std::string> targets = optOutTargets(addresses, i, 2);
        found.optOut = found.optOut || !targets.empty();
        optOutOwn.insert(targets.begin(), targets.end());
    }
    // A contact says what it is: the label, then the number or address on its line or the
    // next one, unless that line is the opt-out statement's.
    const auto reachable = [&](std::size_t i) {
        if (hasPhone(lines[i])) return true;
        for (const std::string& address : addresses[i])
            if (!optOutOwn.count(address)) return true;
        return false;
    };
    for (std::size_t i = 0; i < lines.size() && !found.contact; ++i) {
        if (!hasAny(words[i], kContactLabels)) continue;
        found.contact = reachable(i) || (i + 1 < lines.size() && reachable(i + 1) &&
                                         !hasAny(words[i + 1], kOptOutWords));
    }
    return found;
}

}  // namespace precheck
