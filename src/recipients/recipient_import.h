#pragma once

#include <atomic>
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/address_check.h"
#include "recipients/file_encoding.h"
#include "recipients/optout_list.h"

// Reading a recipient file (CSV, tab-separated or one address per line) into the addresses
// a recipient field can take, with everything left out accounted for.
namespace recipients {

struct ImportProgress {
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};  // set by the window; the import then stops soon
};

enum class ImportStatus { Done, Cancelled, CannotRead, NotText, UnknownEncoding };

struct InvalidRow {
    std::size_t line = 0;  // 1-based text line the row starts on
    std::string text;      // the address cell as read (shortened when very long)
    AddressFault fault = AddressFault::None;
};

inline constexpr std::size_t kKeptInvalidRows = 1000;

struct ImportResult {
    ImportStatus status = ImportStatus::Done;
    std::string systemError;  // why the file could not be read
    Encoding encoding = Encoding::Utf8;
    bool encodingGuessed = false;  // DecodedText::guessed
    char delimiter = ',';
    std::size_t column = 0;  // 0-based
    bool header = false;

    std::size_t rowsRead = 0;  // rows holding recipients (the header and blank rows not counted)
    std::size_t fileDuplicates = 0;   // repeats of an address earlier in the file
    std::size_t fieldDuplicates = 0;  // distinct addresses of the file already in the field
    std::size_t invalid = 0;
    // Rows whose valid address is on the opt-out list: left out, whether repeated or not.
    std::size_t optedOut = 0;
    // Rows whose address passed only once its full-width forms were made ASCII.
    std::size_t halfWidth = 0;
    std::vector<InvalidRow> firstInvalid;  // the first kKeptInvalidRows of them

    // The file's distinct valid addresses in file order, each followed by LF, and which
    // of them the field holds already.
    std::string addresses;
    std::vector<bool> inField;

    std::size_t toAppend() const { return inField.size() - fieldDuplicates; }
    std::size_t toReplace() const { return inField.size(); }
    // What "append" adds (addresses the field lacks) and what "replace" puts in.
    std::string appendText() const;
    const std::string& replaceText() const { return addresses; }
    // The same, moved out when no copy is needed; the result is spent afterwards.
    std::string takeText(bool replace);
};

// `field` is the recipient field's text (UTF-8, one address per line). Addresses on
// `optOuts` are left out and counted; none is left out without a list.
ImportResult importRecipients(const std::string& path, std::string_view field,
                              ImportProgress* progress = nullptr,
                              const OptOutList* optOuts = nullptr);
// How the opt-out list reads its own file, unlike a recipient file.
struct ImportRules {
    // A row whose first cell starts with "#" is a note, skipped like a blank row.
    bool commentRows = false;
    // An address whose only fault is a character outside ASCII is taken when Shift-JIS can
    // hold it: list.txt may name such addresses, and an opt-out must be able to name them too.
    bool cp932Addresses = false;
};

// A row or line whose first cell, trimmed, starts with "#" (ImportRules::commentRows).
bool isNote(std::string_view trimmed);
// checkAddress, taking a character outside ASCII when Shift-JIS can hold it
// (ImportRules::cp932Addresses).
AddressFault checkCp932Address(std::string_view utf8);

// The same over bytes already in memory.
ImportResult importBytes(std::string bytes, std::string_view field,
                         ImportProgress* progress = nullptr, const OptOutList* optOuts = nullptr,
                         const ImportRules& rules = {});

}  // namespace recipients
