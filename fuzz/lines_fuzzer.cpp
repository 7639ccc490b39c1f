// Line splitting: no line holds CR, LF or NUL, and the lines joined with LF give back the
// text before the first NUL with every line end (CR LF, CR, LF) made LF.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "fuzz_support.h"
#include "store/text_file.h"

using fuzzsupport::check;
using fuzzsupport::checkEqual;

namespace {

std::string normalisedText(std::string_view bytes) {
    const std::string_view text = bytes.substr(0, bytes.find('\0'));
    std::string out;
    out.reserve(text.size() + 1);
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r') {
            if (i + 1 < text.size() && text[i + 1] == '\n') ++i;
            out += '\n';
        } else {
            out += text[i];
        }
    }
    // A last line without a line end is still a line.
    if (!out.empty() && out.back() != '\n') out += '\n';
    return out;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    const std::vector<std::string> lines = store::textfile::splitLines(bytes);

    std::string joined;
    for (const auto& line : lines) {
        check(line.find_first_of(std::string("\r\n\0", 3)) == std::string::npos,
              "a line holds CR, LF or NUL");
        joined += line;
        joined += '\n';
    }
    checkEqual(normalisedText(bytes), joined, "joined lines differ from the text");
    return 0;
}
