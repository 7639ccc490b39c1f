#pragma once

#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "recipients/address_check.h"
#include "recipients/file_encoding.h"
#include "recipients/optout_list.h"

// Reading optout.txt in whatever form users keep it: as the tool writes it, by hand, from a
// spreadsheet or from another program. The file goes through the recipient import's reader
// (encoding, separator, address column, header, full-width forms); a line starting with "#"
// is a note. A line that holds something but gives no address is never dropped in silence:
// such a list fails closed, the gates stop and the user is shown the lines.
namespace recipients {

struct UnreadableLine {
    std::size_t line = 0;  // 1-based
    std::string text;      // the whole line as UTF-8, marks where a character could not be read
    AddressFault fault = AddressFault::None;  // None: the file's encoding could not be told
};

struct OptOutFileText {
    // The valid addresses in file order, repeats dropped, each followed by LF; ASCII, so the
    // same bytes in CP932.
    std::string addresses;
    // Keys met again after their first line, in the tool's own form: another program that
    // appends an address already listed adds a line, and the dialog's merge must see it.
    std::vector<std::string> repeats;
    // CP932 (or ASCII), one valid address a line: rewriting it loses nothing.
    bool ownForm = true;
    bool undecodable = false;
    std::size_t unreadable = 0;
    std::vector<UnreadableLine> firstUnreadable;  // the first kKeptUnreadable

    bool readable() const { return unreadable == 0 && !undecodable; }
};

inline constexpr std::size_t kKeptUnreadable = 1000;

// True when the bytes are in the tool's own form; the gates then take them as they are.
bool isOwnOptOutForm(std::string_view bytes);

OptOutFileText readOptOutText(std::string bytes);

// A list that holds lines the tool cannot read: every gate stops on it.
class OptOutFileRefused : public std::runtime_error {
public:
    OptOutFileRefused(std::string path, OptOutFileText text);
    const std::string& path() const { return path_; }
    const OptOutFileText& text() const { return text_; }

private:
    std::string path_;
    OptOutFileText text_;
};

// loadOptOutList (optout_list.h) reads the file through readOptOutText.

}  // namespace recipients
