#include "recipients/field_lines.h"

#include <cstring>

namespace recipients {

std::size_t countNonEmptyLines(const char* data, std::size_t size) {
    std::size_t count = 0;
    const char* p = data;
    const char* const end = data + size;
    while (p < end) {
        // The line runs to the next LF; a CR before it, or a lone CR, also ends lines.
        const char* lf = static_cast<const char*>(std::memchr(p, '\n', std::size_t(end - p)));
        const char* lineEnd = lf ? lf : end;
        const char* cr = static_cast<const char*>(std::memchr(p, '\r', std::size_t(lineEnd - p)));
        while (cr) {
            count += cr > p;
            p = cr + 1;
            cr = static_cast<const char*>(std::memchr(p, '\r', std::size_t(lineEnd - p)));
        }
        // After a CR that ends a CR LF, the LF closes an empty piece, not a line.
        count += lineEnd > p;
        p = lineEnd + 1;
    }
    return count;
}

bool endsWithLineEnd(std::string_view text) {
    return !text.empty() && text::lines::isLineEnd(text.back());
}

void keepFinalLineEnd(bool hadOne, std::string& text) {
    if (hadOne) return;
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
}

}  // namespace recipients
