#include "mailbox/pop3_reader.h"

#include <cstdlib>
#include <vector>

namespace mailbox::pop3 {

namespace {

constexpr std::size_t kMaxLine = 4096;
// TOP with more lines than any mail has gives the whole mail without marking it read.
constexpr const char* kAllLines = " 100000000";

bool positive(const std::string& line) {
    return line.rfind("+OK", 0) == 0;
}

std::string command(Wire& wire, const std::string& text) {
    wire.send(text + "\r\n");
    return wire.line(kMaxLine);
}

// The lines of a multi-line answer up to its ".", unstuffed, each followed by CR LF, the
// whole kept up to `keep` bytes.
std::string multiLine(Wire& wire, std::size_t keep) {
    std::string out;
    for (;;) {
        std::string line = wire.lineCapped(keep + 1);
        if (line == ".") return out;
        if (!line.empty() && line[0] == '.') line.erase(0, 1);
        if (out.size() < keep) {
            out.append(line, 0, std::min(line.size(), keep - out.size()));
            if (out.size() < keep) out += "\r\n";
        }
    }
}

struct Listed {
    std::string number;
    std::string uidl;
};

std::vector<Listed> uidList(Wire& wire) {
    const std::string answer = command(wire, "UIDL");
    if (!positive(answer)) wire.fail(smtp::Failure::ServerRefused, answer);
    std::vector<Listed> listed;
    const std::string text = multiLine(wire, std::size_t(64) * 1024 * 1024);
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t end = text.find("\r\n", pos);
        if (end == std::string::npos) end = text.size();
        const std::string line = text.substr(pos, end - pos);
        pos = end + 2;
        const std::size_t space = line.find(' ');
        if (space == std::string::npos) continue;
        // The value goes into the state file as one word.
        std::string uidl = line.substr(space + 1, 70);
        for (char& c : uidl)
            if (c <= 0x20 || c >= 0x7F) c = '_';
        listed.push_back({line.substr(0, space), uidl});
    }
    return listed;
}

}  // namespace

std::size_t check(Wire& wire) {
    const std::string answer = command(wire, "STAT");
    if (!positive(answer)) wire.fail(smtp::Failure::ServerRefused, answer);
    return std::size_t(std::strtoull(answer.c_str() + 3, nullptr, 10));
}

MailboxNow read(Wire& wire, const ReadPosition& from, const OnMail& onMail, Progress& progress) {
    const std::vector<Listed> listed = uidList(wire);
    MailboxNow now;
    ReadPosition& position = now.position;
    std::vector<const Listed*> fresh;
    for (const Listed& mail : listed) {
        now.keys.insert(mail.uidl);
        if (from.uidls.count(mail.uidl)) {
            position.uidls.insert(mail.uidl);  // still there: still read
        } else {
            fresh.push_back(&mail);
        }
    }
    progress.total = fresh.size();
    for (const Listed* mail : fresh) {
        std::string answer = command(wire, "TOP " + mail->number + kAllLines);
        // TOP is optional; RETR is the other way that leaves the mail in place.
        if (!positive(answer)) answer = command(wire, "RETR " + mail->number);
        if (!positive(answer)) wire.fail(smtp::Failure::ServerRefused, answer);
        onMail(mail->uidl, multiLine(wire, kMaxMailBytes));
        position.uidls.insert(mail->uidl);
        ++progress.done;
    }
    return now;
}

}  // namespace mailbox::pop3
