#include "text/half_width.h"

namespace text {

std::string toHalfWidth(std::string_view utf8, std::size_t* converted) {
    std::string out;
    out.reserve(utf8.size());
    std::size_t count = 0;
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto b0 = static_cast<unsigned char>(utf8[i]);
        if (b0 == 0xE3 || b0 == 0xEF) {
            if (i + 2 < utf8.size()) {
                const auto b1 = static_cast<unsigned char>(utf8[i + 1]);
                const auto b2 = static_cast<unsigned char>(utf8[i + 2]);
                if ((b2 & 0xC0) == 0x80) {
                    // U+3000 is E3 80 80.
                    if (b0 == 0xE3 && b1 == 0x80 && b2 == 0x80) {
                        out += ' ';
                        ++count;
                        i += 2;
                        continue;
                    }
                    // U+FF01-U+FF3F are EF BC 81-BF, U+FF40-U+FF5E are EF BD 80-9E.
                    const unsigned cp = b0 == 0xEF && (b1 == 0xBC || b1 == 0xBD)
                                            ? 0xF000u | ((b1 & 0x3Fu) << 6) | (b2 & 0x3Fu)
                                            : 0;
                    if (cp >= 0xFF01 && cp <= 0xFF5E) {
                        out += static_cast<char>(cp - 0xFF01 + 0x21);
                        ++count;
                        i += 2;
                        continue;
                    }
                }
            }
        }
        out += utf8[i];
    }
    if (converted) *converted = count;
    return out;
}

}  // namespace text
