#include "mailbox/text_bounds.h"

#include "text/cp932_char.h"

namespace mailbox {

std::string oneLine(std::string_view text, std::size_t maxBytes) {
    std::string out;
    bool blank = true;  // drops leading blanks
    for (const char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F) {
            if (!blank) out += ' ';
            blank = true;
            continue;
        }
        if (out.size() >= maxBytes) break;
        out += c;
        blank = false;
    }
    while (!out.empty() && out.back() == ' ') out.pop_back();
    if (out.size() > maxBytes) out.resize(maxBytes);
    // A cut inside a UTF-8 character drops its lead.
    std::size_t end = out.size();
    while (end > 0 && (static_cast<unsigned char>(out[end - 1]) & 0xC0) == 0x80) --end;
    if (end > 0 && static_cast<unsigned char>(out[end - 1]) >= 0xC0) {
        const auto lead = static_cast<unsigned char>(out[end - 1]);
        const std::size_t length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (out.size() - (end - 1) < length) out.resize(end - 1);
    }
    return out;
}

std::string lowerAscii(std::string_view text) {
    std::string out(text);
    for (char& c : out) c = text::cp932::foldAscii(c);
    return out;
}

}  // namespace mailbox
