#include <gtest/gtest.h>

#include <QApplication>
#include <QLineEdit>
#include <QTest>

#include "settings/plain_text_field.h"

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

}  // namespace
