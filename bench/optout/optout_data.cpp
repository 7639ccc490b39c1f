#include "optout_data.h"

#include <stdexcept>

#include "store/comma_text.h"
#include "store/cp932.h"
#include "store/text_file.h"

namespace benchoptout {
namespace {

void save(const std::string& path, const std::string& bytes) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    if (!file || std::fwrite(bytes.data(), 1, bytes.size(), file) != bytes.size() ||
        std::fclose(file) != 0)
        throw std::runtime_error("cannot write " + path);
}

// Capitals where they are ASCII letters, stepping over two-byte characters.
std::string upper(std::string_view address) {
    std::string out;
    for (std::size_t i = 0; i < address.size(); ++i) {
        const auto c = static_cast<unsigned char>(address[i]);
        if (store::cp932::isLeadByte(c) && i + 1 < address.size()) {
            out += address.substr(i++, 2);
            continue;
        }
        out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : static_cast<char>(c);
    }
    return out;
}

}  // namespace

std::size_t writeOptOutFiles(const std::string& listPath, std::size_t step,
                             const std::string& optOutPath, const std::string& awkOptOutPath,
                             const std::string& fieldPath, std::size_t fieldLines) {
    const std::string list = store::textfile::readAll(listPath);
    store::textfile::LineReader lines(list);
    std::string optOut, awkOptOut, field;
    std::string_view line;
    std::size_t index = 0, count = 0;
    while (lines.next(line)) {
        const std::string_view address = store::commatext::addressPart(line);
        if (index < fieldLines) {
            field += store::cp932::toUtf8(std::string(address)).value();
            field += '\n';
        }
        if (index++ % step == 0) {
            const std::string entry = count++ % 3 == 0 ? upper(address) : std::string(address);
            optOut += entry + "\r\n";
            awkOptOut += entry + "\n";
        }
    }
    save(optOutPath, optOut);
    save(awkOptOutPath, awkOptOut);
    save(fieldPath, field);
    return count;
}

}  // namespace benchoptout
