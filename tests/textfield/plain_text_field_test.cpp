#include <gtest/gtest.h>

#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QTest>
#include <QThread>
#include <atomic>
#include <functional>
#include <string>
#include <vector>

#include "textfield/plain_text_field.h"

namespace {

TEST(PlainTextFieldTest, TakesAndGivesTheWholeTextInOnePiece) {
    PlainTextField field;
    const std::string text = "first\n\n日本語\nlast";
    field.setUtf8Text(text);
    EXPECT_EQ(field.utf8Text(), text);
    EXPECT_EQ(field.lines(), 4);
    EXPECT_EQ(field.text(), QString::fromStdString(text));
    field.clearText();
    EXPECT_EQ(field.utf8Text(), "");
}

TEST(PlainTextFieldTest, RemovingLinesKeepsEveryOtherLineByteForByteAndUndoesAtOnce) {
    const struct {
        const char* name;
        std::string text;
        std::vector<std::size_t> lines;
        std::string after;
    } cases[] = {
        {"first and last", "a\nb\nc", {1, 3}, "b\n"},
        {"mixed line ends", "a\r\nb\rc\r\nd\n", {2, 3}, "a\r\nd\n"},
        {"keeps blanks and blanks inside", "a\n\n b \nc\n", {1, 4}, "\n b \n"},
        {"beyond the end", "a\nb", {2, 7}, "a\n"},
        {"every line", "日本\n語", {1, 2}, ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextField field;
        field.setUtf8Text(c.text);
        field.removeLines(c.lines);
        EXPECT_EQ(field.utf8Text(), c.after);
        field.undo();
        EXPECT_EQ(field.utf8Text(), c.text);
    }
}

TEST(PlainTextFieldTest, LoadIsNotUndoableButTypingIs) {
    PlainTextField field;
    field.show();
    field.setUtf8Text("loaded");
    EXPECT_FALSE(field.isUndoAvailable());
    EXPECT_FALSE(field.isModified());
    QTest::keyClicks(&field, "x");
    EXPECT_TRUE(field.isUndoAvailable());
    field.undo();
    EXPECT_EQ(field.utf8Text(), "loaded");
}

TEST(PlainTextFieldTest, LooksLikeAPlainFieldWithLinefeedLines) {
    PlainTextField field;
    EXPECT_EQ(field.wrapMode(), QsciScintilla::WrapNone);
    EXPECT_EQ(field.eolMode(), QsciScintilla::EolUnix);
    EXPECT_EQ(field.lexer(), nullptr);
    EXPECT_TRUE(field.isUtf8());
    for (int margin = 0; margin < 5; ++margin) EXPECT_EQ(field.marginWidth(margin), 0);
    EXPECT_EQ(field.horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    EXPECT_EQ(field.verticalScrollBarPolicy(), Qt::ScrollBarAlwaysOn);
    field.show();
    field.setUtf8Text("a");
    QTest::keyClick(&field, Qt::Key_End);
    QTest::keyClick(&field, Qt::Key_Return);
    EXPECT_EQ(field.utf8Text(), "a\n");
}

TEST(PlainTextFieldTest, TabLeavesTheFieldInsteadOfInsertingATab) {
    QWidget window;
    auto* field = new PlainTextField(&window);
    auto* next = new QLineEdit(&window);
    QWidget::setTabOrder(field, next);
    window.show();
    QApplication::setActiveWindow(&window);
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    EXPECT_EQ(QApplication::focusWidget(), next);
    EXPECT_EQ(field->utf8Text(), "");
}

// A load waits for its release, so the test sees the field while it is under way.
std::function<std::string()> heldText(const std::string& text, const std::atomic<bool>& go) {
    return [text, &go] {
        while (!go) QThread::msleep(1);
        return text;
    };
}

TEST(PlainTextFieldTest, BackgroundLoadShowsOnlyTheLastTextWholeAndBlocksTypingMeanwhile) {
    struct Case {
        const char* name;
        bool secondLoad;  // a second load starts before the first is released
        bool replaced;    // the text is set directly while loading
        std::string shown;
    };
    const std::string first = "a@x\nb@x", second = "c@x\n日本@x\n";
    const Case cases[] = {{"one load", false, false, first},
                          {"second load wins", true, false, second},
                          {"a set text wins", false, true, "typed"}};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        PlainTextField field;
        field.show();
        field.setUtf8Text("old");
        std::atomic<bool> goFirst{false}, goSecond{false};
        int ended = 0;
        QObject::connect(&field, &PlainTextField::loadingEnded, [&] { ++ended; });
        field.loadUtf8TextInBackground(heldText(first, goFirst));
        EXPECT_TRUE(field.isLoading());
        EXPECT_TRUE(field.isReadOnly());
        EXPECT_FALSE(field.findChild<QLabel*>(QStringLiteral("loadingNote"))->isHidden());
        EXPECT_EQ(field.utf8Text(), "");  // never the old text beside the new
        QTest::keyClicks(&field, "z");
        EXPECT_EQ(field.utf8Text(), "");
        if (c.secondLoad) field.loadUtf8TextInBackground(heldText(second, goSecond));
        if (c.replaced) field.setUtf8Text("typed");
        goFirst = true;
        QTest::qWait(50);
        goSecond = true;
        EXPECT_TRUE(QTest::qWaitFor([&] { return !field.isLoading(); }, 5000));
        QTest::qWait(50);  // a dropped load that arrives late changes nothing
        EXPECT_EQ(field.utf8Text(), c.shown);
        EXPECT_EQ(ended, 1);
        EXPECT_FALSE(field.isReadOnly());
        EXPECT_TRUE(field.findChild<QLabel*>(QStringLiteral("loadingNote"))->isHidden());
        EXPECT_FALSE(field.isUndoAvailable());
    }
}

}  // namespace
