#include "store/recipient_scan.h"

#include <gtest/gtest.h>

#include "store/comma_text.h"
#include "store/text_file.h"

using store::recipients::groupRecipients;
using store::recipients::keptLines;
using store::recipients::ListLine;
using store::recipients::ListScanner;
using store::recipients::splitLine;

namespace {

std::string kept(std::string_view text, std::string_view group, int* pieces = nullptr) {
    std::string out;
    int n = 0;
    keptLines(text, group, [&](std::string_view bytes) {
        out.append(bytes);
        ++n;
    });
    if (pieces) *pieces = n;
    return out;
}

// Lines whose split the quick scan must hand to the field scanner, or settle the same way.
const char* const kUnusualLines[] = {
    "a,0",        "\"a,b\",0", "a,\"0\"", "\"a\"\"b\",0", "\"a,0", "a\"b,0",   "a,0\"",
    "\x81,0",      // the lead byte takes the comma: one field
    "a\x81,0",     // the same after a plain byte
    "\x81\x81,0",  // a full character, then the comma
    "a,\x81",      // a lone lead byte at the end of the line
    "a,0\x81 x",   // the lead byte takes the blank
    "a,\x95\x5c",  // trail byte 0x5C
    "\x83\x7c,0",  // trail byte 0x7C
    "a\t,\t0",    "a\tb,0",    "  a ,0 ", "a ,0",         " ,0",   ",0",       ",",     "a,",
    "a,,0",       "a,0,",      "a,0,x",   "a,00",         "a 0",   "\x01\x1f", "",
};

}  // namespace

TEST(RecipientScan, EveryLineSplitsAsTheFieldScannerSplitsIt) {
    for (const char* group : {"0", "00", "1", ""}) {
        for (const char* line : kUnusualLines) {
            for (const char* ending : {"\r\n", "\n", "\r", ""}) {
                // Without a line end the line is the last of the text.
                const bool last = *ending == '\0';
                const std::string text = std::string(line) + ending + (last ? "" : "b,1\r\n");
                ListScanner lines(text, group);
                ListLine got;
                if (last && *line == '\0') {
                    EXPECT_FALSE(lines.next(got));
                    continue;
                }
                ASSERT_TRUE(lines.next(got)) << line;
                const auto want = splitLine(line, group);
                EXPECT_EQ(got.text, line);
                EXPECT_EQ(got.split.fields, want.fields) << line << " / " << group;
                EXPECT_EQ(got.split.secondIsGroup, want.secondIsGroup) << line << " / " << group;
                EXPECT_EQ(got.endsInCrLf, std::string(ending) == "\r\n") << line;
                if (want.fields >= 2 && want.secondIsGroup) {
                    EXPECT_EQ(got.address, store::commatext::addressPart(line)) << line;
                }
                if (!last) {
                    ASSERT_TRUE(lines.next(got));
                    EXPECT_EQ(got.text, "b,1");
                }
                EXPECT_FALSE(lines.next(got));
            }
        }
    }
}

TEST(RecipientScan, SplitsCountFieldsAndCompareTheSecondExactly) {
    EXPECT_EQ(splitLine("a,0", "0").fields, 2);
    EXPECT_TRUE(splitLine("a,0", "0").ofGroup());
    EXPECT_FALSE(splitLine("a,00", "0").ofGroup());
    EXPECT_TRUE(splitLine("a,0,x", "0").ofGroup());
    EXPECT_FALSE(splitLine("a,0,x", "1").keptOnRewrite());
    EXPECT_TRUE(splitLine("a,0", "1").keptOnRewrite());
    EXPECT_TRUE(splitLine("\"a,b\",\"1\"", "1").ofGroup());
    EXPECT_EQ(splitLine("\x81,0", "0").fields, 1);
    EXPECT_EQ(splitLine("a\t b", "0").fields, 2);
    EXPECT_EQ(splitLine(" \t", "0").fields, 0);
}

TEST(RecipientScan, LinesEndAtCrLfLfOrCrAndTheTextAtItsFirstNul) {
    const std::string text("a,0\r\rb,0\n\r\nc,0\rd,0\0e,0\r\n", 24);
    std::vector<std::string> lines;
    ListScanner scanner(text, "0");
    ListLine line;
    while (scanner.next(line)) lines.emplace_back(line.text);
    EXPECT_EQ(lines, (std::vector<std::string>{"a,0", "", "b,0", "", "c,0", "d,0"}));
    EXPECT_EQ(lines, store::textfile::splitLines(text));
    EXPECT_EQ(groupRecipients(text, "0"), "a\nb\nc\nd");
    EXPECT_EQ(groupRecipients(std::string("\0a,0\r\n", 6), "0"), "");
    EXPECT_EQ(groupRecipients("", "0"), "");
}

TEST(RecipientScan, RecipientsAreTheTextBeforeTheFirstCommaCharacter) {
    const std::string text = "  a ,0\r\nb c,0\r\n\x81,d,0\r\n\"e,f\",0\r\n\x95\x5c,0\r\nx y\r\n";
    // "b c,0": second field "c"; "\x81,d,0": the lead byte takes the first comma.
    EXPECT_EQ(groupRecipients(text, "0"), "  a \n\x81,d\n\"e\n\x95\x5c");
    EXPECT_EQ(groupRecipients(text, "c"), "b c");
    EXPECT_EQ(groupRecipients(text, "y"), "");
}

TEST(RecipientScan, KeptLinesGoOutInRunsAndOthersGetCrLf) {
    int pieces = 0;
    EXPECT_EQ(kept("a,1\r\nb,2\r\nc,0\r\nd,1\r\ne,2\r\n", "0", &pieces),
              "a,1\r\nb,2\r\nd,1\r\ne,2\r\n");
    EXPECT_EQ(pieces, 2);
    EXPECT_EQ(kept("a,1\nb,2\rc,1", "0", &pieces), "a,1\r\nb,2\r\nc,1\r\n");
    // Quoted, lead-byte and blank-separated lines: only exact two-field lines stay.
    EXPECT_EQ(kept("\"a\",1\r\n\x81,1\r\na b,1\r\n\x81\x81,1\r\na\t,1\r\n,1\r\n\r\nx\r\n", "0"),
              "\"a\",1\r\n\x81\x81,1\r\na\t,1\r\n,1\r\n");
    EXPECT_EQ(kept("a,0\r\nb,00\r\n", "0"), "b,00\r\n");
    EXPECT_EQ(kept("", "0"), "");
}

TEST(RecipientScan, KeptLinesKeepWhatTheScannerKeepsAmongUsualLines) {
    // Each unusual line between usual ones, with every line end: the quick path for usual
    // lines must hand over to the full scan and back without changing what is kept.
    for (const char* group : {"0", "1", "00", ""}) {
        for (const char* line : kUnusualLines) {
            for (const char* ending : {"\r\n", "\n", "\r", ""}) {
                for (const char* after : {"b,1\r\nc,0\r\n", "b,0\n", ""}) {
                    const std::string text = std::string("x,1\r\ny,0\r\n") + line + ending + after;
                    std::string want;
                    ListScanner lines(text, group);
                    ListLine got;
                    while (lines.next(got)) {
                        if (got.split.keptOnRewrite()) want += std::string(got.text) + "\r\n";
                    }
                    EXPECT_EQ(kept(text, group), want) << line << " / " << group;
                    std::string appended = "before|";
                    store::recipients::appendKeptLines(text, group, appended);
                    EXPECT_EQ(appended, "before|" + want) << line << " / " << group;
                }
            }
        }
    }
}
