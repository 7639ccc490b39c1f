#include "store/typed_recipients.h"

#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "store/recipient_scan.h"
#include "support/temp_app_folder.h"

using store::recipients::checkTypedLines;
using store::recipients::LineFault;
using store::recipients::TypedLinesCheck;

namespace {

const char* faultName(LineFault fault) {
    switch (fault) {
        case LineFault::Comma:
            return "Comma";
        case LineFault::InnerBlank:
            return "InnerBlank";
        case LineFault::Quote:
            return "Quote";
        case LineFault::Other:
            break;
    }
    return "Other";
}

// "line:fault" for each kept refusal, so a table states a whole result in one string.
std::string describe(const TypedLinesCheck& check) {
    std::string out;
    for (const auto& r : check.first) {
        if (!out.empty()) out += ' ';
        out += std::to_string(r.line) + ":" + faultName(r.fault);
    }
    return out;
}

// The store's own view of the line once saved as group n: read back as itself, and kept
// when another group's list is rewritten.
struct StoredFate {
    bool readsBack = false;
    bool survivesOtherRewrite = false;
};

StoredFate fateOf(const std::string& line, const std::string& group, const std::string& other) {
    const std::string list = "first,9\r\n" + line + "," + group + "\r\nlast,9\r\n";
    StoredFate fate;
    fate.readsBack = store::recipients::groupRecipients(list, group) == line;
    std::string kept;
    store::recipients::keptLines(list, other, [&kept](std::string_view b) { kept.append(b); });
    fate.survivesOtherRewrite = kept == list;
    return fate;
}

}  // namespace

TEST(TypedRecipients, EachLinePassesOrIsRefusedWithItsFault) {
    const std::string hyo = sj("表");  // trail byte 0x5C
    const std::string po = sj("ポ");   // trail byte 0x7C
    struct Case {
        std::string line;
        std::string refusals;  // "" when the line passes
    } cases[] = {
        {"a@example.com", ""},
        {" x ", ""},  // outer blanks are stored and read back with the line
        {"\tx\t", ""},
        {"   ", ""},  // an empty first field, then the group: the blanks read back
        {hyo + po + "@example.jp", ""},
        {"\"abc\"", ""},  // one quoted field; the address part is the line as typed
        {"a\x81\x40z", ""},
        {"\"\x81\x40\"", ""},
        {"\"\x81\"", "0:Quote"},  // the lead byte takes the closing quote
        {"a\x7F\xA0\xFD\xFF", ""},
        {"a b", "0:InnerBlank"},
        {"a\tb", "0:InnerBlank"},
        {" a\x01z ", "0:InnerBlank"},
        {"a,b", "0:Comma"},
        {",", "0:Comma"},
        {"\"abc", "0:Quote"},  // the quoted field runs on over the comma
        {"\"a,b\"", "0:Comma"},
        {"\"a b\"", ""},          // quotes keep the blank inside the first field
        {"a 3", "0:InnerBlank"},  // reads back (second field 3) but has three fields
        {"x\x81", "0:Other"},     // the lead byte would take the comma
        {std::string("a\0b", 3), "0:Other"},
        {std::string("\0", 1), "0:Other"},
        {"a\x81 b\x81", "0:Other"},  // the blank is a trail byte, not a blank
        {"a" + hyo + " b", "0:InnerBlank"},
    };
    for (const auto& c : cases) {
        const TypedLinesCheck check = checkTypedLines(c.line, "3");
        EXPECT_EQ(describe(check), c.refusals) << c.line;
        EXPECT_EQ(check.refused, c.refusals.empty() ? 0u : 1u) << c.line;
        const StoredFate fate = fateOf(c.line, "3", "4");
        EXPECT_EQ(fate.readsBack && fate.survivesOtherRewrite, c.refusals.empty()) << c.line;
    }
}

TEST(TypedRecipients, LinesAreNumberedOverEveryLineEndAndEmptyLinesAreSkipped) {
    struct Case {
        std::string text;
        std::string refusals;
    } cases[] = {
        {"", ""},
        {"\r\n\n\r", ""},
        {"ok\r\na b\r\n\r\nc,d", "1:InnerBlank 3:Comma"},
        {"ok\na b\n\nc,d\n", "1:InnerBlank 3:Comma"},
        {"ok\ra b\r\rc,d\r", "1:InnerBlank 3:Comma"},
        {"a b\r\r\nc,d", "0:InnerBlank 2:Comma"},  // CR, then CR LF: an empty line between
        {"\n\n\n\"q", "3:Quote"},
        {"x\x81\r\ny", "0:Other"},  // the line end is never a trail byte
    };
    for (const auto& c : cases)
        EXPECT_EQ(describe(checkTypedLines(c.text, "0")), c.refusals) << c.text;
}

TEST(TypedRecipients, KeepLimitsTheListedLinesButEveryRefusalIsCounted) {
    std::string text;
    for (int i = 0; i < 12; ++i) text += i % 2 ? "good\r\n" : "bad line\r\n";
    const TypedLinesCheck five = checkTypedLines(text, "0");
    EXPECT_EQ(five.refused, 6u);
    EXPECT_EQ(describe(five), "0:InnerBlank 2:InnerBlank 4:InnerBlank 6:InnerBlank 8:InnerBlank");
    const TypedLinesCheck two = checkTypedLines(text, "0", 2);
    EXPECT_EQ(two.refused, 6u);
    EXPECT_EQ(describe(two), "0:InnerBlank 2:InnerBlank");
    const TypedLinesCheck none = checkTypedLines(text, "0", 0);
    EXPECT_EQ(none.refused, 6u);
    EXPECT_TRUE(none.first.empty());
}

TEST(TypedRecipients, TheGroupTextTakesPartInTheRule) {
    // A group text that is not a plain number cannot come back as the second field.
    EXPECT_EQ(checkTypedLines("a", "").refused, 1u);
    EXPECT_EQ(checkTypedLines("a", "1 2").refused, 1u);
    EXPECT_EQ(checkTypedLines("a", "12").refused, 0u);
}

TEST(TypedRecipients, PassingLinesAreExactlyThoseTheStoreReadsBackAndKeeps) {
    // Random lines over the characters that matter to the rule; seeded, so a failure
    // repeats.
    const std::string pieces[] = {"a", "3", " ", ",", "\"", "\t", sj("表"), "\x81", "@", "."};
    const std::uint32_t seed = 20240611;
    std::mt19937 random(seed);
    std::uniform_int_distribution<int> length(1, 24);
    std::uniform_int_distribution<std::size_t> pick(0, std::size(pieces) - 1);
    int passed = 0;
    int refused = 0;
    for (int n = 0; n < 20000; ++n) {
        std::string line;
        for (int k = length(random); k > 0; --k) line += pieces[pick(random)];
        const bool passes = checkTypedLines(line, "3").refused == 0;
        const StoredFate fate = fateOf(line, "3", "4");
        ASSERT_EQ(passes, fate.readsBack && fate.survivesOtherRewrite)
            << "seed " << seed << ", line " << n << ": [" << line << "]";
        (passes ? passed : refused)++;
    }
    // Both sides of the rule were exercised.
    EXPECT_GT(passed, 1000);
    EXPECT_GT(refused, 1000);
}
