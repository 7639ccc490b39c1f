#include "recipients/recipient_import.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <deque>
#include <new>
#include <optional>

#include "recipients/address_column.h"
#include "recipients/address_set.h"
#include "recipients/csv_table.h"
#include "recipients/field_lines.h"
#include "text/cp932.h"
#include "text/cp932_char.h"
#include "text/half_width.h"

namespace recipients {
namespace {

// Progress shares: reading the file, decoding, splitting fields, checking addresses.
constexpr int kReadEnd = 250;
constexpr int kDecodeEnd = 350;
constexpr int kSplitEnd = 800;
constexpr std::size_t kShownCellBytes = 200;
constexpr std::size_t kBatch = 32;

void report(ImportProgress* progress, int permille) {
    if (progress) progress->permille = permille;
}

using text::cp932::isAscii;

// A row of empty cells, as spreadsheets export a blank row: no recipient, like a blank line.
bool blankRow(const CsvTable& table, std::size_t row) {
    for (std::size_t c = 0; c < table.fieldCount(row); ++c) {
        if (!trimBlanks(table.field(row, c)).empty()) return false;
    }
    return true;
}

bool cancelled(const ImportProgress* progress) {
    return progress && progress->cancel;
}

// At most `limit` bytes, cut at a UTF-8 character boundary.
std::string shortened(std::string_view text, std::size_t limit) {
    if (text.size() <= limit) return std::string(text);
    std::size_t end = limit;
    while (end > 0 && (static_cast<unsigned char>(text[end]) & 0xC0) == 0x80) --end;
    return std::string(text.substr(0, end)) + "…";
}

ImportResult readFailure(ImportStatus status, std::string error = std::string()) {
    ImportResult result;
    result.status = status;
    result.systemError = std::move(error);
    return result;
}

}  // namespace

std::string ImportResult::appendText() const {
    if (fieldDuplicates == 0) return addresses;
    std::string text;
    text.reserve(addresses.size());
    std::size_t index = 0;
    for (std::size_t pos = 0; pos < addresses.size(); ++index) {
        const std::size_t end = addresses.find('\n', pos) + 1;
        if (!inField[index]) text.append(addresses, pos, end - pos);
        pos = end;
    }
    return text;
}

std::string ImportResult::takeText(bool replace) {
    if (replace || fieldDuplicates == 0) return std::move(addresses);
    return appendText();
}

ImportResult importRecipients(const std::string& path, std::string_view field,
                              ImportProgress* progress, const OptOutList* optOuts) {
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return readFailure(ImportStatus::CannotRead, std::strerror(errno));
    struct stat info {};
    if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode)) {
        const int error = S_ISDIR(info.st_mode) ? EISDIR : errno;
        ::close(fd);
        return readFailure(ImportStatus::CannotRead, std::strerror(error ? error : EINVAL));
    }
    std::string bytes;
    try {
        bytes.resize(std::size_t(info.st_size));
    } catch (const std::bad_alloc&) {
        ::close(fd);
        return readFailure(ImportStatus::CannotRead, std::strerror(ENOMEM));
    }
    std::size_t got = 0;
    while (got < bytes.size()) {
        const ssize_t n =
            ::read(fd, bytes.data() + got, std::min<std::size_t>(bytes.size() - got, 4 << 20));
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) {
            const int error = errno;
            ::close(fd);
            return readFailure(ImportStatus::CannotRead, std::strerror(error));
        }
        if (n == 0) break;  // shrank while read: take what is there
        got += std::size_t(n);
        report(progress, int(kReadEnd * double(got) / double(bytes.size())));
        if (cancelled(progress)) {
            ::close(fd);
            return readFailure(ImportStatus::Cancelled);
        }
    }
    ::close(fd);
    bytes.resize(got);
    return importBytes(std::move(bytes), field, progress, optOuts);
}

bool isNote(std::string_view trimmed) {
    return !trimmed.empty() && trimmed.front() == '#';
}

AddressFault checkCp932Address(std::string_view utf8) {
    const AddressFault fault = checkAddress(utf8);
    return fault == AddressFault::NonAscii && text::cp932::fromUtf8(std::string(utf8))
               ? AddressFault::None
               : fault;
}

ImportResult importBytes(std::string bytes, std::string_view field, ImportProgress* progress,
                         const OptOutList* optOuts, const ImportRules& rules) {
    if (optOuts && optOuts->empty()) optOuts = nullptr;
    report(progress, kReadEnd);
    // The table views this text: it lives until the addresses are taken out.
    const DecodedText decoded = decodeText(std::move(bytes), true);
    if (decoded.fault == DecodeFault::NotText) return readFailure(ImportStatus::NotText);
    if (decoded.fault == DecodeFault::UnknownEncoding)
        return readFailure(ImportStatus::UnknownEncoding);
    report(progress, kDecodeEnd);
    if (cancelled(progress)) return readFailure(ImportStatus::Cancelled);

    const double textSize = double(decoded.text.size());
    const CsvTable table = readCsv(decoded.text, [&](std::size_t done) {
        report(progress, kDecodeEnd + int((kSplitEnd - kDecodeEnd) * double(done) / textSize));
        return !cancelled(progress);
    });
    report(progress, kSplitEnd);
    if (cancelled(progress)) return readFailure(ImportStatus::Cancelled);

    ImportResult result;
    result.encoding = decoded.encoding;
    result.encodingGuessed = decoded.guessed;
    result.delimiter = table.delimiter;
    const ColumnChoice choice = chooseColumn(table, decoded.encoding, decoded.raw);
    result.column = choice.column;
    result.header = choice.header;

    // Converted cells and field lines, kept where the sets' views can point at them.
    std::deque<std::string> converted;
    AddressSet inFieldSet;
    forEachFieldLine(field, [&](std::size_t, std::string_view line) {
        std::string_view address = trimBlanks(line);
        // A full-width line of the field is the same recipient as its ASCII form.
        if (!isAscii(address)) address = converted.emplace_back(text::toHalfWidth(address));
        if (!address.empty()) inFieldSet.insert(address);
    });
    std::optional<CellDecoder> decoder;
    if (decoded.raw) decoder.emplace(decoded.encoding);
    std::string cellText;
    AddressSet seen;
    seen.reserve(table.rowCount());
    result.addresses.reserve(table.rowCount() * 24);
    // Valid addresses go through the sets a batch at a time, in file order: their slots
    // are fetched while the batch is still being read.
    struct Pending {
        std::string_view address;
        std::size_t hash;
    };
    std::vector<Pending> batch;
    batch.reserve(kBatch);
    const auto takeBatch = [&] {
        for (const Pending& p : batch) {
            if (!seen.insert(p.address, p.hash)) {
                ++result.fileDuplicates;
                continue;
            }
            const bool present = inFieldSet.contains(p.address, p.hash);
            result.fieldDuplicates += present;
            result.inField.push_back(present);
            result.addresses.append(p.address.data(), p.address.size());
            result.addresses += '\n';
        }
        batch.clear();
    };
    const std::size_t rows = table.rowCount();
    for (std::size_t r = choice.header ? 1 : 0; r < rows; ++r) {
        if ((r & 0xFFFF) == 0) {
            report(progress, kSplitEnd + int((1000 - kSplitEnd) * double(r) / double(rows)));
            if (cancelled(progress)) return readFailure(ImportStatus::Cancelled);
        }
        const std::string_view raw = table.field(r, choice.column);
        if (trimBlanks(raw).empty() && blankRow(table, r)) continue;
        if (rules.commentRows && isNote(trimBlanks(table.field(r, 0)))) continue;
        ++result.rowsRead;
        std::string_view cell = raw;
        if (decoder && !isAscii(raw)) {
            // A character the encoding lacks shows as one mark; in the name it is dropped
            // with the name, in the address the check refuses it.
            if (!decoder->toUtf8(raw, cellText)) cellText = decoder->toUtf8Lossy(raw);
            cell = converted.emplace_back(std::move(cellText));
        }
        std::string_view address = extractAddress(cell);
        std::size_t changed = 0;
        if (!isAscii(address)) {
            std::string halfWidth = text::toHalfWidth(address, &changed);
            if (changed != 0) address = converted.emplace_back(std::move(halfWidth));
        }
        const AddressFault fault =
            rules.cp932Addresses ? checkCp932Address(address) : checkAddress(address);
        result.halfWidth += changed != 0 && fault == AddressFault::None;
        if (fault != AddressFault::None) {
            if (result.firstInvalid.size() < kKeptInvalidRows)
                result.firstInvalid.push_back(
                    {table.line(r), shortened(trimBlanks(cell), kShownCellBytes), fault});
            ++result.invalid;
            continue;
        }
        // Before the repeats: an opted-out address is never taken, so never repeated either.
        if (optOuts && optOuts->containsUtf8(address)) {
            ++result.optedOut;
            continue;
        }
        const std::size_t hash = FoldedHash()(address);
        seen.prefetch(hash);
        batch.push_back({address, hash});
        if (batch.size() == kBatch) takeBatch();
    }
    takeBatch();
    report(progress, 1000);
    return result;
}

}  // namespace recipients
