#include "recipients/address_key.h"

#include <gtest/gtest.h>

#include "recipients/field_check.h"
#include "recipients/optout_gate.h"
#include "recipients/optout_list.h"
#include "recipients/recipient_import.h"
#include "support/address_key_cases.h"
#include "support/temp_app_folder.h"

using recipients::OptOutList;

// Every path a line can take to be compared gives the key's answer: the key, the opt-out
// list by its UTF-8 key, its CP932 key and its plain-line hash (list.txt at the batch
// gate), duplicate removal and the import's repeats.
TEST(AddressKey, EveryComparisonAgreesWithTheKey) {
    for (const AddressKeyCase& c : kAddressKeyCases) {
        SCOPED_TRACE(c.listed + " / " + c.other);
        EXPECT_EQ(recipients::addressKey(c.listed) == recipients::addressKey(c.other), c.same);

        const OptOutList list(sj(c.listed) + "\r\n");
        EXPECT_EQ(list.containsUtf8(c.other), c.same);
        EXPECT_EQ(list.containsCp932(sj(c.other)), c.same);
        const std::string line = sj(c.other) + ",0\r\n";
        EXPECT_EQ(recipients::findListOptOuts(line, list).lines, c.same ? 1u : 0u);

        // Only valid addresses are ever repeats: the key decides among those.
        const bool bothValid =
            recipients::checkField(c.listed + "\n" + c.other + "\n").invalid == 0;
        const std::string kept =
            recipients::withoutDuplicateLines(c.listed + "\n" + c.other + "\n");
        EXPECT_EQ(kept == c.listed + "\n", c.same && bothValid) << kept;
        const auto imported = recipients::importBytes(c.other + "\n", c.listed + "\n");
        EXPECT_EQ(imported.fieldDuplicates == 1, c.same && bothValid);
    }
}

TEST(AddressKey, TrimsConvertsAndFoldsNothingElse) {
    EXPECT_EQ(recipients::addressKey("\t　ＺｅＤ＠Ｘ．ｊｐ \r\n"), "zed@x.jp");
    EXPECT_EQ(recipients::addressKey("Zed\xFF@x.jp"), "zed\xFF@x.jp");  // invalid UTF-8 kept
    // Both CP932 codes of the full-width quote give the ASCII one.
    const OptOutList list("q\"t@x.jp\r\n");
    EXPECT_TRUE(list.containsCp932("q\xEE\xFCt@x.jp"));
    EXPECT_TRUE(list.containsCp932("q\xFA\x57t@x.jp"));
    EXPECT_TRUE(list.containsUtf8("q＂t@x.jp"));
}
