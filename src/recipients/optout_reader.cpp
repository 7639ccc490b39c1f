#include "recipients/optout_reader.h"

#include <algorithm>
#include <deque>
#include <optional>

#include "recipients/address_key.h"
#include "recipients/address_set.h"
#include "recipients/field_lines.h"
#include "recipients/recipient_import.h"
#include "store/optout_file.h"
#include "store/project_store.h"
#include "text/cp932.h"
#include "text/cp932_char.h"

namespace recipients {
namespace {

using text::cp932::isAscii;

void keep(UnreadableLine line, OptOutFileText& out) {
    ++out.unreadable;
    if (out.firstUnreadable.size() < kKeptUnreadable)
        out.firstUnreadable.push_back(std::move(line));
}

// Whole lines to show for the rows the import refused: the import keeps only the address
// cell, and an empty cell says nothing about which line it was.
void fillLineTexts(std::string bytes, std::vector<UnreadableLine>& lines) {
    if (lines.empty()) return;
    const std::string lossy = bytes;
    const DecodedText decoded = decodeText(std::move(bytes), true);
    const std::string& text = decoded.fault == DecodeFault::None ? decoded.text : lossy;
    std::optional<CellDecoder> decoder;
    if (decoded.raw) decoder.emplace(decoded.encoding);
    auto next = lines.begin();
    forEachFieldLine(text, [&](std::size_t index, std::string_view line) {
        if (next == lines.end() || next->line != index + 1) return;
        if (decoder) {
            next->text = decoder->toUtf8Lossy(line);
        } else if (decoded.fault != DecodeFault::None) {
            next->text = text::cp932::toUtf8Lossy(std::string(line));
        } else {
            next->text = std::string(line);
        }
        next->text = std::string(trimBlanks(next->text));
        ++next;
    });
}

// A file no encoding reads whole: the plain address lines are kept for the dialog, every
// other line is named. The list as a whole is still refused.
OptOutFileText readUndecodable(const std::string& bytes) {
    OptOutFileText out;
    out.ownForm = false;
    out.undecodable = true;
    AddressSet seen;
    forEachFieldLine(bytes, [&](std::size_t index, std::string_view line) {
        const std::string_view trimmed = trimBlanks(line);
        if (trimmed.empty() || isNote(trimmed)) return;
        const bool ascii = isAscii(trimmed);
        const AddressFault fault = ascii ? checkAddress(trimmed) : AddressFault::None;
        if (ascii && fault == AddressFault::None) {
            if (seen.insert(trimmed)) out.addresses.append(trimmed).append("\n");
            return;
        }
        keep({index + 1, text::cp932::toUtf8Lossy(std::string(trimmed)), fault}, out);
    });
    return out;
}

// One address a line and nothing else, as the tool writes them, read as CP932. EUC-JP and
// UTF-8 read as CP932 too, into addresses no one opted out: unless the caller knows the
// bytes are CP932, lines outside ASCII must read as neither of the two.
bool plainAddressLines(std::string_view bytes, bool knownCp932) {
    bool plain = true;
    std::string wide;  // the lines outside ASCII, one after the other
    forEachFieldLine(bytes, [&](std::size_t, std::string_view line) {
        const std::string_view trimmed = trimBlanks(line);
        if (!plain || trimmed.empty()) return;
        if (isNote(trimmed)) {
            plain = false;
        } else if (isAscii(trimmed)) {
            plain = checkAddress(trimmed) == AddressFault::None;
        } else {
            wide.append(trimmed).append("\n");
        }
    });
    if (!plain || wide.empty()) return plain;
    // One conversion for all of them: a converter per line costs more than the line.
    std::string utf8;
    if (!CellDecoder(Encoding::Cp932).toUtf8(wide, utf8)) return false;
    std::string eucJp;
    if (!knownCp932 && (isValidUtf8(wide) || CellDecoder(Encoding::EucJp).toUtf8(wide, eucJp)))
        return false;
    // Read from CP932, so Shift-JIS holds every character: only the other faults count.
    forEachFieldLine(utf8, [&](std::size_t, std::string_view line) {
        if (!plain) return;
        const AddressFault fault = checkAddress(line);
        plain = fault == AddressFault::None || fault == AddressFault::NonAscii;
    });
    return plain;
}

}  // namespace

// A file whose encoding is in doubt goes to the full reader, which refuses what it cannot
// tell.
bool isOwnOptOutForm(std::string_view bytes) {
    return plainAddressLines(bytes, false);
}

namespace {

// A file in the tool's own form.
OptOutFileText readOwnForm(const std::string& bytes) {
    OptOutFileText out;
    AddressSet seen;
    CellDecoder cp932(Encoding::Cp932);
    std::deque<std::string> converted;  // where the set's views point
    forEachFieldLine(bytes, [&](std::size_t, std::string_view line) {
        std::string_view address = trimBlanks(line);
        if (address.empty()) return;
        if (!isAscii(address)) {
            std::string utf8;
            cp932.toUtf8(address, utf8);
            address = converted.emplace_back(std::move(utf8));
        }
        if (seen.insert(address)) {
            out.addresses.append(address).append("\n");
        } else {
            out.repeats.push_back(addressKey(address));
        }
    });
    return out;
}

// Whether a guess between CP932 and EUC-JP changes no address: when it does, the list could
// hold an opted-out address as one nobody listed.
bool sameUnderEucJp(const std::string& bytes, const ImportResult& read, const ImportRules& rules) {
    if (!read.encodingGuessed) return true;
    std::string utf8;
    CellDecoder(Encoding::EucJp).toUtf8(bytes, utf8);
    const ImportResult other = importBytes(std::move(utf8), {}, nullptr, nullptr, rules);
    return other.addresses == read.addresses && other.invalid == read.invalid;
}

// A file in any other form, through the recipient import's reader.
OptOutFileText readOtherForm(std::string bytes) {
    OptOutFileText out;
    out.ownForm = false;
    std::string copy = bytes;
    ImportRules rules;
    rules.commentRows = true;
    rules.cp932Addresses = true;
    ImportResult result = importBytes(std::move(bytes), {}, nullptr, nullptr, rules);
    if (result.status != ImportStatus::Done || !sameUnderEucJp(copy, result, rules))
        return readUndecodable(copy);
    if (result.encoding == Encoding::Cp932 && plainAddressLines(copy, true))
        return readOwnForm(copy);
    out.addresses = std::move(result.addresses);
    out.unreadable = result.invalid;
    for (const InvalidRow& row : result.firstInvalid)
        out.firstUnreadable.push_back({row.line, row.text, row.fault});
    fillLineTexts(std::move(copy), out.firstUnreadable);
    return out;
}

}  // namespace

OptOutFileText readOptOutText(std::string bytes) {
    return isOwnOptOutForm(bytes) ? readOwnForm(bytes) : readOtherForm(std::move(bytes));
}

OptOutFileRefused::OptOutFileRefused(std::string path, OptOutFileText text)
    : std::runtime_error("配信停止リスト " + path + " に読み取れない行があります"),
      path_(std::move(path)),
      text_(std::move(text)) {}

OptOutList loadOptOutList(const std::string& path) {
    std::string bytes = store::optoutfile::read(path);
    // The tool's own form, the usual case, is hashed as it stands.
    if (isOwnOptOutForm(bytes)) return OptOutList(bytes);
    OptOutFileText text = readOtherForm(std::move(bytes));
    if (!text.readable()) throw OptOutFileRefused(path, std::move(text));
    // Every address read is one Shift-JIS can hold.
    return OptOutList(text::cp932::fromUtf8(text.addresses).value());
}

OptOutList loadOptOutList(const store::ProjectStore& store) {
    return loadOptOutList(store.optOutPath());
}

}  // namespace recipients
