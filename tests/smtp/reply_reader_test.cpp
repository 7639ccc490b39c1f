// Replies read by their form alone, fed whole and one byte at a time.
#include <gtest/gtest.h>

#include "smtp/reply_class.h"
#include "smtp/reply_reader.h"

namespace {

struct ReaderCase {
    std::string bytes;
    bool complete;
    bool malformed;
    int code;
    std::string last;
    std::size_t used;  // bytes taken; the rest answers nothing
    std::vector<std::string> auth = {};
    bool size = false;
    bool eightBitMime = false;
};

TEST(ReplyReader, TakesOneReplyWhateverThePieces) {
    const std::string longLine = "250 " + std::string(1000, 'x') + "\r\n";
    const ReaderCase cases[] = {
        {"250 Ok\r\n", true, false, 250, "250 Ok", 8},
        {"250\r\n", true, false, 250, "250", 5},
        {"250 Ok\n", true, false, 250, "250 Ok", 7},
        {"250-a\r\n250-b\r\n", false, false, 250, "250-b", 14},
        {"235 Ok\r\n250 extra\r\n", true, false, 235, "235 Ok", 8},
        {"2500 Ok\r\n", true, true, 0, "2500 Ok", 9},
        {"25 Ok\r\n", true, true, 0, "25 Ok", 7},
        {"Ok\r\n", true, true, 0, "Ok", 4},
        {"250-a\r\n251 b\r\n", true, true, 250, "251 b", 14},
        {"250-greets\r\n250-Auth plain\r\n250-size 100\r\n250-auth=LOGIN\r\n250 8BITMIME\r\n",
         true,
         false,
         250,
         "250 8BITMIME",
         72,
         {"plain", "LOGIN"},
         true,
         true},
        // The greeting's domain is no keyword, and a refusal offers nothing.
        {"250 AUTH PLAIN\r\n", true, false, 250, "250 AUTH PLAIN", 16},
        {"550-x\r\n550 AUTH PLAIN\r\n", true, false, 550, "550 AUTH PLAIN", 23},
        {longLine, true, false, 250, longLine.substr(0, smtp::ReplyReader::kMaxLineBytes),
         longLine.size()},
    };
    for (const ReaderCase& c : cases) {
        for (const std::size_t piece : {c.bytes.size(), std::size_t(1)}) {
            SCOPED_TRACE(c.bytes.substr(0, 40) + " in pieces of " + std::to_string(piece));
            smtp::ReplyReader reader;
            std::size_t used = 0;
            while (used < c.bytes.size() && !reader.complete()) {
                const std::size_t n = std::min(piece, c.bytes.size() - used);
                used += reader.feed(c.bytes.data() + used, n);
            }
            EXPECT_EQ(reader.complete(), c.complete);
            EXPECT_EQ(reader.malformed(), c.malformed);
            EXPECT_EQ(reader.code(), c.code);
            EXPECT_EQ(reader.lastLine(), c.last);
            EXPECT_EQ(used, c.used);
            EXPECT_EQ(reader.capabilities().auth, c.auth);
            EXPECT_EQ(reader.capabilities().offers("PLAIN"), !c.auth.empty());
            EXPECT_EQ(reader.capabilities().size, c.size);
            EXPECT_EQ(reader.capabilities().eightBitMime, c.eightBitMime);
        }
    }
}

TEST(ReplyClass, CodesAreThreeDigitsAndTheirClass) {
    const struct {
        const char* line;
        int code;
        bool refusal;
    } cases[] = {
        {"250 Ok", 250, false}, {"354", 354, false},   {"421-x", 421, true},
        {"554 no", 554, true},  {"2500 Ok", 0, false}, {"5xx", 0, false},
        {"", 0, false},         {" 550 x", 0, false},  {"550\tx", 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(smtp::replyCode(c.line), c.code) << c.line;
        EXPECT_EQ(smtp::isRefusal(c.line), c.refusal) << c.line;
    }
}

}  // namespace
