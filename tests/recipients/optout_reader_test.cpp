#include "recipients/optout_reader.h"

#include <gtest/gtest.h>

#include "recipients/optout_gate.h"
#include "recipients/optout_merge.h"
#include "store/project_store.h"
#include "support/optout_file_forms.h"
#include "support/temp_app_folder.h"

namespace {

const std::string kBoth = "stop.one@example.com\nstop.two@example.com\n";

}  // namespace

// Every form either gives both addresses, and keeps them out of list.txt at the batch
// gate, or is refused naming its line; never an empty or partial list.
TEST(OptOutReader, EveryFormIsReadOrRefusedNamingTheLine) {
    const std::string list =
        "keep@example.com,0\r\nSTOP.ONE@example.com,0\r\nstop.two@Example.com,1\r\n";
    for (const OptOutFileForm& form : optOutFileForms()) {
        SCOPED_TRACE(form.name);
        const recipients::OptOutFileText text = recipients::readOptOutText(form.bytes);
        EXPECT_EQ(text.ownForm, form.name == std::string("tool's own form"));
        TempAppFolder dir;
        dir.write("optout.txt", form.bytes);
        const store::ProjectStore store(dir.path());
        if (form.refusedLine == 0) {
            EXPECT_TRUE(text.readable());
            EXPECT_EQ(text.addresses, kBoth + form.alsoRead);
            EXPECT_EQ(recipients::withoutListOptOuts(list, recipients::loadOptOutList(store)),
                      "keep@example.com,0\r\n");
            continue;
        }
        EXPECT_FALSE(text.readable());
        EXPECT_EQ(text.unreadable, 1u);
        ASSERT_EQ(text.firstUnreadable.size(), 1u);
        EXPECT_EQ(text.firstUnreadable[0].line, form.refusedLine);
        EXPECT_EQ(text.firstUnreadable[0].text, form.refusedText);
        // The dialog still shows what could be read.
        EXPECT_EQ(text.addresses, kBoth);
        try {
            recipients::loadOptOutList(store);
            ADD_FAILURE() << "not refused";
        } catch (const recipients::OptOutFileRefused& refused) {
            EXPECT_EQ(refused.path(), dir.file("optout.txt"));
            EXPECT_EQ(refused.text().firstUnreadable[0].line, form.refusedLine);
        }
    }
}

TEST(OptOutReader, OwnFormNeedsEveryLineToBeAPlainAddress) {
    const struct {
        std::string bytes;
        bool own;
    } rows[] = {
        {"", true},
        {"a@x.jp\nB@X.JP\r\n\r\n  c@x.jp\t\n", true},
        {"a@x.jp\r\n#b@x.jp\r\n", false},
        {"a@x.jp,1\r\n", false},
        {sj("ａ@x.jp") + "\r\n", false},  // outside ASCII: the full reader tells the encoding
        {sj("ａ＠ｘ．ｊｐ") + "\r\n", false},
        {"a@x.jp\r\nmail\r\n", false},
        {std::string("a@x.jp\0b@x.jp", 13), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(recipients::isOwnOptOutForm(row.bytes), row.own) << row.bytes;
}

// list.txt may name addresses outside ASCII; the list must be able to name them too, in any
// encoding, but only those Shift-JIS can hold: no list.txt line can be any other.
TEST(OptOutReader, AddressesOutsideAsciiAreReadWhenShiftJisHoldsThem) {
    const std::string list = sj("山田@例え.jp") + ",0\r\nkeep@x.jp,0\r\n";
    const struct {
        const char* what;
        std::string bytes;
        bool own;
        std::size_t unreadable;
    } rows[] = {
        {"CP932", sj("山田@例え.jp\r\na@x.jp\r\n"), true, 0},
        {"UTF-8", "山田@例え.jp\na@x.jp\n", false, 0},
        {"UTF-8 with a BOM", "\xEF\xBB\xBF山田@例え.jp\r\na@x.jp\r\n", false, 0},
        {"not in Shift-JIS", "山田@例え.jp\na@x.jp\n😀@x.jp\n", false, 1},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto text = recipients::readOptOutText(row.bytes);
        EXPECT_EQ(text.ownForm, row.own);  // the dialog rewrites it without asking
        EXPECT_EQ(text.addresses, "山田@例え.jp\na@x.jp\n");
        EXPECT_EQ(text.unreadable, row.unreadable);
        if (row.unreadable > 0) {
            EXPECT_EQ(text.firstUnreadable.at(0).line, 3u);
            continue;
        }
        TempAppFolder dir;
        dir.write("optout.txt", row.bytes);
        const auto optOuts = recipients::loadOptOutList(store::ProjectStore(dir.path()));
        EXPECT_EQ(recipients::withoutListOptOuts(list, optOuts), "keep@x.jp,0\r\n");
    }
}

// The dialog's edits on the file as another program left it.
TEST(OptOutMerge, KeepsOtherProgramsAdditionsAndAppliesTheDialogsEdits) {
    const auto text = [](const std::string& bytes) { return recipients::readOptOutText(bytes); };
    const auto opened = text("a@x.jp\r\nb@x.jp\r\nc@x.jp\r\n");
    const struct {
        const char* what;
        std::string now;
        std::vector<std::string> edited;
        std::vector<std::string> written;
        std::size_t othersKept;
        std::vector<std::string> keptAgainstRemoval;
    } rows[] = {
        {"unchanged",
         "a@x.jp\r\nb@x.jp\r\nc@x.jp\r\n",
         {"a@x.jp", "c@x.jp", "d@x.jp"},
         {"a@x.jp", "c@x.jp", "d@x.jp"},
         0,
         {}},
        {"appended",
         "a@x.jp\r\nb@x.jp\r\nc@x.jp\r\nE@x.jp\r\n",
         {"a@x.jp", "c@x.jp", "d@x.jp"},
         {"a@x.jp", "c@x.jp", "E@x.jp", "d@x.jp"},
         1,
         {}},
        {"removed one re-added",
         "a@x.jp\r\nb@x.jp\r\nc@x.jp\r\nB@X.JP\r\n",
         {"a@x.jp", "c@x.jp"},
         {"a@x.jp", "b@x.jp", "c@x.jp"},
         1,
         {"b@x.jp"}},
        {"both added the same",
         "a@x.jp\r\nb@x.jp\r\nc@x.jp\r\nd@x.jp\r\n",
         {"a@x.jp", "b@x.jp", "c@x.jp", "D@x.jp"},
         {"a@x.jp", "b@x.jp", "c@x.jp", "d@x.jp"},
         0,
         {}},
        {"rewritten in another form",
         "名前,メール\r\n,c@x.jp\r\n,f@x.jp\r\n",
         {"b@x.jp", "c@x.jp"},
         {"c@x.jp", "f@x.jp"},
         1,
         {}},
    };
    for (const auto& row : rows) {
        SCOPED_TRACE(row.what);
        const auto merged = recipients::mergeOptOutEdits(opened, text(row.now), row.edited);
        EXPECT_EQ(merged.addresses, row.written);
        EXPECT_EQ(merged.othersKept, row.othersKept);
        EXPECT_EQ(merged.keptAgainstRemoval, row.keptAgainstRemoval);
    }
}
