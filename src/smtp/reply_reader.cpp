#include "smtp/reply_reader.h"

#include <strings.h>

#include <algorithm>
#include <cstring>

#include "smtp/reply_class.h"

namespace smtp {

namespace {

std::vector<std::string> words(const std::string& text) {
    std::vector<std::string> out;
    std::size_t at = 0;
    while (at < text.size()) {
        const std::size_t end = std::min(text.find(' ', at), text.size());
        if (end > at) out.push_back(text.substr(at, end - at));
        at = end + 1;
    }
    return out;
}

bool same(const std::string& word, const char* keyword) {
    return strcasecmp(word.c_str(), keyword) == 0;
}

// One EHLO keyword line ("AUTH PLAIN LOGIN", "SIZE 1000", "8BITMIME"); keywords and
// mechanisms are case-blind.
void noteCapability(const std::string& text, Capabilities& capabilities) {
    std::vector<std::string> list = words(text);
    if (list.empty()) return;
    // Some servers still write the old "AUTH=LOGIN PLAIN" form.
    if (strncasecmp(list[0].c_str(), "AUTH=", 5) == 0) {
        list.push_back(list[0].substr(5));
        list[0] = "AUTH";
    }
    if (same(list[0], "AUTH")) {
        for (std::size_t i = 1; i < list.size(); ++i)
            if (!capabilities.offers(list[i].c_str())) capabilities.auth.push_back(list[i]);
    } else if (same(list[0], "SIZE")) {
        capabilities.size = true;
    } else if (same(list[0], "8BITMIME")) {
        capabilities.eightBitMime = true;
    }
}

}  // namespace

bool Capabilities::offers(const char* mechanism) const {
    return std::any_of(auth.begin(), auth.end(),
                       [mechanism](const std::string& m) { return same(m, mechanism); });
}

std::size_t ReplyReader::feed(const char* data, std::size_t size) {
    std::size_t used = 0;
    while (used < size && !complete_) {
        const char* end = static_cast<const char*>(std::memchr(data + used, '\n', size - used));
        const std::size_t stop = end ? std::size_t(end - data) : size;
        const std::size_t room = kMaxLineBytes - std::min(line_.size(), kMaxLineBytes);
        const std::size_t take = std::min(stop - used, room);
        line_.append(data + used, take);
        lineCut_ = lineCut_ || take < stop - used;
        used = stop;
        if (end) {
            ++used;
            endLine();
        }
    }
    return used;
}

void ReplyReader::endLine() {
    std::string line;
    line.swap(line_);
    if (!lineCut_ && !line.empty() && line.back() == '\r') line.pop_back();
    lineCut_ = false;
    const int code = replyCode(line);
    last_ = line;
    ended_.push_back(line);
    if (code == 0 || (count_ > 0 && code != code_)) {
        malformed_ = true;
        complete_ = true;
        return;
    }
    code_ = code;
    if (count_ > 0 && isPositive(code))
        noteCapability(line.substr(std::min<std::size_t>(4, line.size())), capabilities_);
    ++count_;
    complete_ = line.size() == 3 || line[3] == ' ';
}

std::vector<std::string> ReplyReader::takeLines() {
    std::vector<std::string> lines;
    lines.swap(ended_);
    return lines;
}

void ReplyReader::restart() {
    line_.clear();
    lineCut_ = false;
    count_ = 0;
    code_ = 0;
    complete_ = false;
    malformed_ = false;
    last_.clear();
    capabilities_ = Capabilities{};
}

}  // namespace smtp
