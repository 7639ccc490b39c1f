#include "optout_data.h"

#include <stdexcept>
#include <vector>

#include "store/atomic_file.h"
#include "store/comFunc.h"
#include "store/comma_text.h"
#include "store/project_store.h"
#include "store/text_file.h"
#include "text/cp932.h"

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
        if (text::cp932::isLeadByte(c) && i + 1 < address.size()) {
            out += address.substr(i++, 2);
            continue;
        }
        out += c >= 'a' && c <= 'z' ? static_cast<char>(c - 32) : static_cast<char>(c);
    }
    return out;
}

std::vector<std::string> addresses(const std::string& listPath) {
    const std::string list = store::textfile::readAll(listPath);
    store::textfile::LineReader lines(list);
    std::vector<std::string> all;
    std::string_view line;
    while (lines.next(line)) all.emplace_back(store::commatext::addressPart(line));
    return all;
}

}  // namespace

void writeSaveStore(const std::string& listPath, const std::string& app, const std::string& project,
                    std::size_t fieldLines) {
    const std::vector<std::string> all = addresses(listPath);
    if (all.size() < fieldLines) throw std::runtime_error("list too short for the group");
    const store::ProjectStore s(app);
    s.writeProjectList({project});
    s.ensureProjectFolder(project);
    fncIniWrite(s.iniPath(project), text::cp932::fromUtf8("メール同報システム").value(),
                "GROUPCOUNT", "1");
    std::string list;
    for (std::size_t i = 0; i < fieldLines; ++i) list += all[i] + ",0\r\n";
    store::textfile::writeAll(s.listPath(project), list);
    s.writeGroupName(project, 0, "group");
    s.writeSubject(project, 0, "subject");
    s.writeBody(project, 0, "body");
}

void writeSaveOptOuts(const std::string& listPath, std::size_t fieldLines, std::size_t optOuts,
                      std::size_t swapEvery, const std::string& noneInField,
                      const std::string& someInField) {
    const std::vector<std::string> all = addresses(listPath);
    const std::size_t step = (all.size() - fieldLines) / optOuts;
    if (all.size() <= fieldLines || step == 0 || fieldLines / (optOuts / swapEvery) == 0)
        throw std::runtime_error("list too short for the opt-outs");
    const std::size_t fieldStep = fieldLines / (optOuts / swapEvery);
    std::string none, some;
    for (std::size_t i = 0; i < optOuts; ++i) {
        const std::string& outside = all[fieldLines + i * step];
        const std::string entry = i % 3 == 0 ? upper(outside) : outside;
        none += entry + "\r\n";
        some += (i % swapEvery == 0 ? upper(all[i / swapEvery * fieldStep]) : entry) + "\r\n";
    }
    save(noneInField, none);
    save(someInField, some);
}

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
            field += text::cp932::toUtf8(std::string(address)).value();
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
