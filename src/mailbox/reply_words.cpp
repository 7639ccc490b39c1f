#include "mailbox/reply_words.h"

#include <initializer_list>

#include "mailbox/text_bounds.h"

namespace mailbox {

namespace {

bool containsAny(const std::string& text, std::initializer_list<const char*> words) {
    for (const char* word : words)
        if (text.find(word) != std::string::npos) return true;
    return false;
}

bool isQuoted(std::string_view line) {
    return line.rfind(">", 0) == 0 || line.rfind("＞", 0) == 0 || line.rfind("|", 0) == 0;
}

// Where the quoted original starts in the common mail programs.
bool startsOriginal(const std::string& lowered) {
    return lowered.find("original message") != std::string::npos ||
           lowered.find("元のメッセージ") != std::string::npos ||
           lowered.find("wrote:") != std::string::npos ||
           lowered.find("書きました") != std::string::npos ||
           lowered.find("差出人:") != std::string::npos || lowered.rfind("from:", 0) == 0;
}

}  // namespace

std::string openingLines(std::string_view utf8Body, std::size_t lines) {
    std::string out;
    std::size_t taken = 0;
    std::size_t pos = 0;
    while (pos < utf8Body.size() && taken < lines) {
        std::size_t end = utf8Body.find('\n', pos);
        if (end == std::string_view::npos) end = utf8Body.size();
        const std::string line =
            oneLine(utf8Body.substr(pos, std::min<std::size_t>(end - pos, 2000)));
        pos = end + 1;
        if (line.empty()) continue;
        if (isQuoted(line) || startsOriginal(lowerAscii(line))) break;
        out += line;
        out += '\n';
        ++taken;
    }
    return out;
}

bool asksToStop(const std::string& subject, const std::string& opening) {
    const std::string text = lowerAscii(subject + "\n" + opening);
    return containsAny(
        text, {"配信停止",     "停止希望",     "停止して",  "停止をお願い", "停止願",
               "配信解除",     "登録解除",     "購読解除",  "解除希望",     "解除して",
               "解除をお願い", "解除願",       "解除",      "不要",         "送らないで",
               "送信しないで", "配信しないで", "お断り",    "unsubscribe",  "opt out",
               "opt-out",      "optout",       "remove me", "stop sending", "stop emailing",
               "take me off"});
}

bool soundsAway(const std::string& subject, const std::string& opening) {
    const std::string text = lowerAscii(subject + "\n" + opening);
    return containsAny(text, {"自動応答", "自動返信", "自動送信", "不在", "休暇", "out of office",
                              "out of the office", "automatic reply", "auto reply", "autoreply",
                              "auto-reply", "on vacation", "away from"});
}

}  // namespace mailbox
