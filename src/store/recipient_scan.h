#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

// The recipient rules of list.txt over a whole file's bytes at once. Most lines are split
// many bytes at a time; a line the quick scan cannot settle with certainty (a quote, or a
// delimiter right after a lead byte) goes through commatext::FieldScanner.
namespace store::recipients {

// How a line splits, as far as the recipient rules look at it, for one group number.
struct LineSplit {
    int fields = 0;              // 0, 1, 2, or 3 for three and more
    bool secondIsGroup = false;  // the second field is exactly the group's number

    bool ofGroup() const { return fields >= 2 && secondIsGroup; }
    bool keptOnRewrite() const { return fields == 2 && !secondIsGroup; }
};

// The rule itself, by FieldScanner; the quick scan must always agree with it.
LineSplit splitLine(std::string_view line, std::string_view group);

struct ListLine {
    std::string_view text;    // without its line end
    bool endsInCrLf = false;  // CR LF follows text in the list
    LineSplit split;
    std::string_view address;  // commatext::addressPart(text), set for lines of the group
};

// The lines of a list.txt text (ending at CR LF, LF or CR; a NUL ends the text) with
// their split for one group.
class ListScanner {
public:
    ListScanner(std::string_view text, std::string_view group);
    bool next(ListLine& line);
    // Where the next line starts.
    const char* position() const;

private:
    bool plainSplit(ListLine& line, const unsigned char*& end, const unsigned char*& comma);
    bool quickSplit(ListLine& line, const unsigned char*& end, const unsigned char*& comma);

    const unsigned char* nextSpecial(const unsigned char* p);
    const unsigned char* nextSpecialInLaterBlocks(const unsigned char* p);
    const unsigned char* findLineEnd(const unsigned char* p);

    const unsigned char* pos_;
    const unsigned char* end_;
    std::string_view group_;
    const unsigned char* block_;  // 64 bytes whose special bytes mask_ marks
    std::uint64_t mask_ = 0;
};

// The group's recipients joined by LF.
std::string groupRecipients(std::string_view text, std::string_view group);
// The same for a list read in blocks of whole lines: appends the block's recipients to
// out, each but the very first (any false) after an LF.
void appendGroupRecipients(std::string_view block, std::string_view group, std::string& out,
                           bool& any);

// The lines a rewrite keeps (exactly two fields, the second not the group's number), each
// followed by CR LF, handed to out in order; consecutive kept lines that already end in
// CR LF go out as one piece.
void keptLines(std::string_view text, std::string_view group,
               const std::function<void(std::string_view)>& out);
// The same lines appended to out.
void appendKeptLines(std::string_view text, std::string_view group, std::string& out);

}  // namespace store::recipients
