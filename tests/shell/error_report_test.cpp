#include <gtest/gtest.h>

#include <new>
#include <stdexcept>

#include "shell/error_report.h"
#include "store/store_error.h"
#include "support/scripted_boxes.h"

TEST(ErrorReport, FullStopIsAppendedOnlyAfterCharactersSortingAfterIt) {
    EXPECT_EQ(shell::errorReportText("abc"), "abc.");
    EXPECT_EQ(shell::errorReportText("9"), "9.");
    EXPECT_EQ(shell::errorReportText("ファイルは開けません"), "ファイルは開けません.");
    EXPECT_EQ(shell::errorReportText("done."), "done.");
    EXPECT_EQ(shell::errorReportText("what!"), "what!");  // '!' sorts before '.'
    EXPECT_EQ(shell::errorReportText("a-"), "a-");        // so does '-'
    EXPECT_EQ(shell::errorReportText("a/"), "a/.");       // '/' sorts after '.'
    EXPECT_EQ(shell::errorReportText(""), "");
}

TEST(ErrorReport, HandlerErrorIsShownAndFinishedStepsStayDone) {
    ScriptedBoxes boxes;
    int steps = 0;
    shell::runHandler([&] {
        ++steps;
        throw store::StoreError(store::StoreError::Kind::CannotCreate, "/x/Mail/p/list.txt");
        ++steps;
    });
    EXPECT_EQ(steps, 1);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, "ファイル /x/Mail/p/list.txt を作成できません.");
    EXPECT_EQ(boxes.calls()[0].caption, "Fendrival Setup");
    EXPECT_EQ(boxes.calls()[0].style, 0x10);
}

TEST(ErrorReport, OutOfMemoryAndOtherErrorsHaveTheirTexts) {
    ScriptedBoxes boxes;
    shell::runHandler([] { throw std::bad_alloc(); });
    shell::runHandler([] { throw std::runtime_error("disk"); });
    shell::runHandler([] {});
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[0].text, "メモリが足りません.");
    EXPECT_EQ(boxes.calls()[1].text, "disk.");
}
