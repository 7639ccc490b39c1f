#include <gtest/gtest.h>

#include <QAccessible>
#include <QApplication>
#include <QClipboard>
#include <QInputMethodEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QTest>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <functional>
#include <string>
#include <vector>

#include "accessibility_switch.h"
#include "settings_fixture.h"
#include "textfield/plain_text_field.h"

namespace {

enum class Side { Before, At, After };

// The item before, at or after an offset among the pieces Qt's boundary finder cuts the
// whole text into: what the field must give from the few lines it reads.
QString wholeTextItem(const QString& text, Side side, QTextBoundaryFinder::BoundaryType type,
                      int offset, int* start, int* end) {
    QTextBoundaryFinder finder(type, text);
    std::vector<int> cuts = {0};
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        cuts.push_back(int(at));
    int item = 0;
    while (item + 1 < int(cuts.size()) && cuts[item + 1] <= offset) ++item;
    item += side == Side::Before ? -1 : side == Side::After ? 1 : 0;
    if (item < 0 || item + 1 >= int(cuts.size())) {
        *start = *end = item < 0 ? 0 : int(text.size());
        return QString();
    }
    *start = cuts[item];
    *end = cuts[item + 1];
    return text.mid(*start, *end - *start);
}

struct Seen {
    QAccessible::Event type;
    int position;
    QString removed;
    QString inserted;
    int end = -1;  // a selection's
    bool operator==(const Seen& o) const {
        return type == o.type && position == o.position && removed == o.removed &&
               inserted == o.inserted;
    }
};

std::vector<Seen>& seen() {
    static std::vector<Seen> events;
    return events;
}

// What an assistive tool hears from the field.
void record(QAccessibleEvent* event) {
    if (!qobject_cast<PlainTextField*>(event->object())) return;
    switch (event->type()) {
        case QAccessible::TextInserted: {
            auto* e = static_cast<QAccessibleTextInsertEvent*>(event);
            seen().push_back({e->type(), e->changePosition(), {}, e->textInserted()});
            break;
        }
        case QAccessible::TextRemoved: {
            auto* e = static_cast<QAccessibleTextRemoveEvent*>(event);
            seen().push_back({e->type(), e->changePosition(), e->textRemoved(), {}});
            break;
        }
        case QAccessible::TextUpdated: {
            auto* e = static_cast<QAccessibleTextUpdateEvent*>(event);
            seen().push_back({e->type(), e->changePosition(), e->textRemoved(), e->textInserted()});
            break;
        }
        case QAccessible::TextCaretMoved:
            seen().push_back({event->type(),
                              static_cast<QAccessibleTextCursorEvent*>(event)->cursorPosition(),
                              {},
                              {}});
            break;
        case QAccessible::TextSelectionChanged: {
            auto* e = static_cast<QAccessibleTextSelectionEvent*>(event);
            seen().push_back({e->type(), e->selectionStart(), {}, {}, e->selectionEnd()});
            break;
        }
        default:
            break;
    }
}

bool splitsPair(const QString& text, int offset) {
    return offset > 0 && offset < text.size() && text.at(offset - 1).isHighSurrogate();
}

class FieldAccessibleTest : public testing::Test {
public:
    FieldAccessibleTest() {
        field.resize(300, 200);
        field.show();
    }
    ~FieldAccessibleTest() override {
        QAccessible::installUpdateHandler(nullptr);
        setAccessibilityActive(false);
    }
    // As a screen reader connecting: Qt's accessibility on, its events recorded.
    void listen() {
        QAccessible::installUpdateHandler(record);
        setAccessibilityActive(true);
    }

    QAccessibleInterface* accessible() { return QAccessible::queryAccessibleInterface(&field); }
    QAccessibleTextInterface* text() { return accessible()->textInterface(); }
    QAccessibleEditableTextInterface* editable() { return accessible()->editableTextInterface(); }
    // A key press with its text, as the keyboard gives it.
    static void type(QWidget& widget, const QString& typed) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, typed);
        QApplication::sendEvent(&widget, &press);
    }
    // What a tool reads agrees with the text held: the count, the caret and its line.
    void readsAsItStands() {
        const std::string utf8 = field.utf8Text();
        const QString whole = QString::fromStdString(utf8);
        EXPECT_EQ(text()->text(0, -1), whole);
        const auto caretByte = field.SendScintilla(QsciScintilla::SCI_GETCURRENTPOS);
        const int caret = int(QString::fromStdString(utf8.substr(0, caretByte)).size());
        const int next = int(whole.indexOf(u'\n', caret));
        const int line[] = {int(whole.left(caret).lastIndexOf(u'\n')) + 1,
                            next < 0 ? int(whole.size()) : next + 1};
        int start = -1, end = -1;
        text()->textAtOffset(caret, QAccessible::LineBoundary, &start, &end);
        EXPECT_EQ(
            std::vector<int>({text()->characterCount(), text()->cursorPosition(), start, end}),
            std::vector<int>({int(whole.size()), caret, line[0], line[1]}));
    }
    // Lets queued events and painting through, as the window's loop would.
    void settle() {
        QApplication::processEvents();
        field.repaint();
        QApplication::processEvents();
    }

    PlainTextField field;
};

struct Sample {
    const char* name;
    std::string utf8;
    int count;  // UTF-16 code units
    int lineAt;
    QString line;  // the line at lineAt, with its line end
    int lineStart, lineEnd;
};

const Sample kSamples[] = {
    {"ASCII", "a@x.jp\nbb@y.jp more", 19, 9, QStringLiteral("bb@y.jp more"), 7, 19},
    {"CP932 range", "①㈱\n髙橋 様", 7, 1, QStringLiteral("①㈱\n"), 0, 3},
    {"surrogate pair", "𠮷野家\nx y", 8, 5, QStringLiteral("x y"), 5, 8},
    {"CR LF", "a b\r\nc\r\n", 8, 4, QStringLiteral("a b\r\n"), 0, 5},
    {"empty last line", "abc\n", 4, 4, QString(), 4, 4},
    {"LF between blanks", "one\n\n\ntwo words\n", 16, 4, QStringLiteral("\n"), 4, 5},
};

TEST_F(FieldAccessibleTest, OffersTextAndEditingWhetherAccessibilityIsActiveOrNot) {
    for (const bool active : {false, true}) {
        SCOPED_TRACE(active ? "active" : "inactive");
        if (active) listen();
        PlainTextField fresh;
        QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(&fresh);
        ASSERT_NE(iface, nullptr);
        EXPECT_NE(iface->textInterface(), nullptr);
        EXPECT_NE(iface->editableTextInterface(), nullptr);
        EXPECT_EQ(iface->role(), QAccessible::EditableText);
        EXPECT_TRUE(iface->state().multiLine);
        EXPECT_TRUE(iface->state().editable);
        // One edit before any question is asked is counted at the first.
        type(fresh, QStringLiteral("髙"));
        EXPECT_EQ(iface->textInterface()->characterCount(), 1);
        EXPECT_EQ(iface->textInterface()->cursorPosition(), 1);
        fresh.setReadOnly(true);
        EXPECT_TRUE(iface->state().readOnly);
        EXPECT_FALSE(iface->state().editable);
    }
}

TEST_F(FieldAccessibleTest, ReadsTextLinesWordsAndCaretInUtf16Units) {
    for (const Sample& s : kSamples) {
        SCOPED_TRACE(s.name);
        field.setUtf8Text(s.utf8);
        const QString whole = QString::fromStdString(s.utf8);
        ASSERT_EQ(text()->characterCount(), s.count);
        EXPECT_EQ(text()->text(0, -1), whole);
        EXPECT_EQ(accessible()->text(QAccessible::Value), whole);
        for (int a = 0; a <= s.count; ++a) {
            for (int b = a; b <= s.count; ++b) {
                if (splitsPair(whole, a) || splitsPair(whole, b)) continue;
                ASSERT_EQ(text()->text(a, b), whole.mid(a, b - a)) << a << "-" << b;
            }
        }
        int start = -1, end = -1;
        EXPECT_EQ(text()->textAtOffset(s.lineAt, QAccessible::LineBoundary, &start, &end), s.line);
        EXPECT_EQ(start, s.lineStart);
        EXPECT_EQ(end, s.lineEnd);

        const struct {
            Side side;
            QString (QAccessibleTextInterface::*ask)(int, QAccessible::TextBoundaryType, int*,
                                                     int*) const;
        } sides[] = {{Side::Before, &QAccessibleTextInterface::textBeforeOffset},
                     {Side::At, &QAccessibleTextInterface::textAtOffset},
                     {Side::After, &QAccessibleTextInterface::textAfterOffset}};
        const std::pair<QAccessible::TextBoundaryType, QTextBoundaryFinder::BoundaryType>
            boundaries[] = {{QAccessible::CharBoundary, QTextBoundaryFinder::Grapheme},
                            {QAccessible::WordBoundary, QTextBoundaryFinder::Word},
                            {QAccessible::SentenceBoundary, QTextBoundaryFinder::Sentence}};
        for (const auto& side : sides) {
            for (const auto& [boundary, type] : boundaries) {
                for (int offset = 0; offset <= s.count; ++offset) {
                    if (splitsPair(whole, offset)) continue;
                    SCOPED_TRACE(testing::Message() << "boundary " << boundary << " side "
                                                    << int(side.side) << " offset " << offset);
                    int wantStart = -1, wantEnd = -1;
                    const QString want =
                        wholeTextItem(whole, side.side, type, offset, &wantStart, &wantEnd);
                    EXPECT_EQ((text()->*side.ask)(offset, boundary, &start, &end), want);
                    EXPECT_EQ(std::make_pair(start, end), std::make_pair(wantStart, wantEnd));
                }
            }
        }
        for (int offset = 0; offset <= s.count; ++offset) {
            if (splitsPair(whole, offset)) continue;
            text()->setCursorPosition(offset);
            EXPECT_EQ(text()->cursorPosition(), offset);
        }
        const int second = splitsPair(whole, 1) ? 2 : 1;
        text()->setSelection(0, second, s.count);
        int from = -1, to = -1;
        text()->selection(0, &from, &to);
        EXPECT_EQ(text()->selectionCount(), 1);
        EXPECT_EQ(std::make_pair(from, to), std::make_pair(second, s.count));
        text()->removeSelection(0);
        EXPECT_EQ(text()->selectionCount(), 0);
    }
}

TEST_F(FieldAccessibleTest, WordsAreReadAsTheyStandInAnAddressLine) {
    field.setUtf8Text("a@x.jp\nbb@y.jp more");
    const struct {
        int offset;
        QString at, after;
    } words[] = {{7, "bb", "@"}, {16, "more", ""}, {0, "a", "@"}, {6, "\n", "bb"}};
    for (const auto& w : words) {
        SCOPED_TRACE(w.offset);
        int start = -1, end = -1;
        EXPECT_EQ(text()->textAtOffset(w.offset, QAccessible::WordBoundary, &start, &end), w.at);
        EXPECT_EQ(text()->textAfterOffset(w.offset, QAccessible::WordBoundary, &start, &end),
                  w.after);
    }
}

TEST_F(FieldAccessibleTest, EditsGoIntoTheFieldAsUtf8AndUndoAsOne) {
    struct Case {
        const char* name;
        std::string before;
        std::function<void(QAccessibleEditableTextInterface*)> edit;
        std::string after;
    };
    const Case cases[] = {
        {"insert after a surrogate pair", "𠮷a",
         [](auto* e) { e->insertText(2, QStringLiteral("髙")); }, "𠮷髙a"},
        {"delete a CR LF", "a\r\nb", [](auto* e) { e->deleteText(1, 3); }, "ab"},
        {"replace in the CP932 range", "①㈱髙", [](auto* e) { e->replaceText(1, 2, "x\n"); },
         "①x\n髙"},
        {"insert at the end of an empty last line", "abc\n",
         [](auto* e) { e->insertText(-1, QStringLiteral("d@x.jp")); }, "abc\nd@x.jp"},
        {"delete the whole text", "𠮷\n①", [](auto* e) { e->deleteText(0, -1); }, ""},
        {"a pair into ASCII lines", "a\nb\nc",
         [](auto* e) { e->insertText(3, QStringLiteral("𠮷")); }, "a\nb𠮷\nc"},
        {"insert between the halves of a pair goes before it", "𠮷野家",
         [](auto* e) { e->insertText(1, QStringLiteral("x")); }, "x𠮷野家"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        field.setUtf8Text(c.before);
        const auto counted = [this](const std::string& utf8) {
            EXPECT_EQ(text()->characterCount(), QString::fromStdString(utf8).size());
            EXPECT_EQ(text()->text(0, -1), QString::fromStdString(utf8));
        };
        counted(c.before);
        c.edit(editable());
        EXPECT_EQ(field.utf8Text(), c.after);
        counted(c.after);
        field.undo();
        EXPECT_EQ(field.utf8Text(), c.before);
        counted(c.before);
    }
    field.setUtf8Text("kept");
    accessible()->setText(QAccessible::Value, QStringLiteral("値"));
    EXPECT_EQ(field.utf8Text(), "値");
    field.setReadOnly(true);  // as while a list loads
    editable()->insertText(0, QStringLiteral("x"));
    accessible()->setText(QAccessible::Value, QStringLiteral("y"));
    EXPECT_EQ(field.utf8Text(), "値");
}

TEST_F(FieldAccessibleTest, EventsCarryTheOffsetsAndTextsOfEachEdit) {
    using A = QAccessible;
    struct Case {
        const char* name;
        std::string before;
        std::function<void(FieldAccessibleTest&)> act;
        std::vector<Seen> heard;
    };
    // Long enough to be told in two pieces, each ending at a line's start.
    std::string longList;
    for (int n = 0; n < 20000; ++n) longList += std::string(63, char('a' + n % 26)) + "\n";
    const QString firstPiece = QString::fromStdString(longList.substr(0, 1 << 20));
    const QString lastPiece = QString::fromStdString(longList.substr(1 << 20));
    const Case cases[] = {
        {"typing at the end",
         "𠮷\nab",
         [](FieldAccessibleTest& t) {
             t.field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
             QTest::keyClicks(&t.field, QStringLiteral("c"));
             QTest::keyClick(&t.field, Qt::Key_Return);
         },
         {{A::TextInserted, 5, {}, "c"}, {A::TextInserted, 6, {}, "\n"}}},
        {"backspace after a surrogate pair",
         "x𠮷",
         [](FieldAccessibleTest& t) {
             t.field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
             QTest::keyClick(&t.field, Qt::Key_Backspace);
         },
         {{A::TextRemoved, 1, "𠮷", {}}}},
        {"typing over a selection",
         "①㈱髙",
         [](FieldAccessibleTest& t) {
             t.text()->setSelection(0, 1, 3);
             QTest::keyClicks(&t.field, QStringLiteral("z"));
         },
         {{A::TextRemoved, 1, "㈱髙", {}}, {A::TextInserted, 1, {}, "z"}}},
        {"lines removed",
         "a\r\nb\r\nc\r\n",
         [](FieldAccessibleTest& t) {
             t.field.removeLines({1, 3});
         },
         {{A::TextRemoved, 6, "c\r\n", {}}, {A::TextRemoved, 0, "a\r\n", {}}}},
        {"the whole text set at once",
         "old\nlines\n",
         [](FieldAccessibleTest& t) { t.field.setUtf8Text("new"); },
         {{A::TextRemoved, 0, "old\nlines\n", {}}, {A::TextInserted, 0, {}, "new"}}},
        {"the whole text cleared",
         "old",
         [](FieldAccessibleTest& t) { t.field.clearText(); },
         {{A::TextRemoved, 0, "old", {}}}},
        // The text told is made on the worker; the one it replaces is told with it.
        {"a load in the background, after one it replaced",
         "old",
         [](FieldAccessibleTest& t) {
             t.field.loadUtf8TextInBackground([] { return std::string("never"); });
             t.field.loadUtf8TextInBackground([] { return std::string("𠮷 new\nlist"); });
             ASSERT_TRUE(QTest::qWaitFor([&t] { return !t.field.isLoading(); }, 5000));
             EXPECT_EQ(t.text()->characterCount(), 11);
         },
         {{A::TextRemoved, 0, "old", {}}, {A::TextInserted, 0, {}, "𠮷 new\nlist"}}},
        {"a long text replaced in the background, told by its length",
         std::string(65537, 'a'),
         [](FieldAccessibleTest& t) {
             t.field.loadUtf8TextInBackground([] { return std::string("b"); });
             ASSERT_TRUE(QTest::qWaitFor([&t] { return !t.field.isLoading(); }, 5000));
         },
         {{A::TextRemoved, 0, QString(65537, QLatin1Char(' ')), {}},
          {A::TextInserted, 0, {}, "b"}}},
        {"a text of 65,536 units, the last typed, replaced: told with its text",
         std::string(65535, 'a'),
         [](FieldAccessibleTest& t) {
             t.field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
             t.type(t.field, QStringLiteral("髙"));
             t.field.loadUtf8TextInBackground([] { return std::string("b"); });
             ASSERT_TRUE(QTest::qWaitFor([&t] { return !t.field.isLoading(); }, 5000));
         },
         {{A::TextInserted, 65535, {}, "髙"},
          {A::TextRemoved, 0, QString(65535, QLatin1Char('a')) + "髙", {}},
          {A::TextInserted, 0, {}, "b"}}},
        // The pieces still to tell are read before the edit changes the text.
        {"a long list loaded in the background and typed into at once",
         "old",
         [&longList](FieldAccessibleTest& t) {
             t.field.loadUtf8TextInBackground([&longList] { return longList; });
             ASSERT_TRUE(QTest::qWaitFor([&t] { return !t.field.isLoading(); }, 5000));
             t.type(t.field, QStringLiteral("x"));
         },
         {{A::TextRemoved, 0, "old", {}},
          {A::TextInserted, 0, {}, firstPiece},
          {A::TextInserted, 1 << 20, {}, lastPiece},
          {A::TextInserted, 0, {}, "x"}}},
        {"Japanese typed into ASCII lines: a CP932 character, then a pair by input method",
         "abc@x.jp\n",
         [](FieldAccessibleTest& t) {
             t.field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
             t.type(t.field, QStringLiteral("髙"));
             t.settle();
             t.readsAsItStands();
             QInputMethodEvent commit;
             commit.setCommitString(QStringLiteral("𠮷あ"));
             QApplication::sendEvent(&t.field, &commit);
         },
         {{A::TextInserted, 9, {}, "髙"},
          {A::TextInserted, 10, {}, "𠮷"},
          {A::TextInserted, 12, {}, "あ"}}},
        {"pasted, undone, redone and dropped in ASCII lines",
         "a@x.jp\n",
         [](FieldAccessibleTest& t) {
             t.field.SendScintilla(QsciScintilla::SCI_DOCUMENTEND);
             QApplication::clipboard()->setText(QStringLiteral("①㈱\n"));
             t.field.paste();
             t.settle();
             t.readsAsItStands();
             t.field.undo();
             t.settle();
             t.readsAsItStands();
             t.field.redo();
             t.settle();
             t.readsAsItStands();
             QMimeData data;
             data.setText(QStringLiteral("髙"));
             QDragEnterEvent enter(QPoint(1, 1), Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(t.field.viewport(), &enter);
             QDropEvent drop(QPointF(1, 1), Qt::CopyAction, &data, Qt::LeftButton, {});
             QApplication::sendEvent(t.field.viewport(), &drop);
         },
         {{A::TextInserted, 7, {}, "①㈱\n"},
          {A::TextRemoved, 7, "①㈱\n", {}},
          {A::TextInserted, 7, {}, "①㈱\n"},
          {A::TextInserted, 0, {}, "髙"}}},
        // Between the halves of a pair stands for the pair's start.
        {"the accessible's set and insert into ASCII lines",
         "taro@example.jp\n",
         [](FieldAccessibleTest& t) {
             t.accessible()->setText(QAccessible::Value,
                                     QStringLiteral("taro@example.jp\nhanako@example.jp\n"
                                                    "①㈱髙 𠮷野家\n"));
             t.settle();
             t.readsAsItStands();
             t.editable()->insertText(39, QStringLiteral("x"));
         },
         {{A::TextRemoved, 0, "taro@example.jp\n", {}},
          {A::TextInserted, 0, {}, "taro@example.jp\nhanako@example.jp\n①㈱髙 𠮷野家\n"},
          {A::TextInserted, 38, {}, "x"}}},
    };
    field.setFocus();
    listen();
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        field.setUtf8Text(c.before);
        settle();
        seen().clear();
        c.act(*this);
        settle();
        std::vector<Seen> edits;
        for (const Seen& s : seen())
            if (s.type != A::TextCaretMoved && s.type != A::TextSelectionChanged)
                edits.push_back(s);
        EXPECT_EQ(edits.size(), c.heard.size());
        for (std::size_t i = 0; i < std::min(edits.size(), c.heard.size()); ++i) {
            EXPECT_EQ(edits[i].type, c.heard[i].type) << i;
            EXPECT_EQ(edits[i].position, c.heard[i].position) << i;
            EXPECT_EQ(edits[i].removed, c.heard[i].removed) << i;
            EXPECT_EQ(edits[i].inserted, c.heard[i].inserted) << i;
        }
        readsAsItStands();
    }
}

TEST_F(FieldAccessibleTest, CaretMovesAreToldWithTheirOffset) {
    field.setUtf8Text("𠮷a\nbc\n");
    field.setFocus();
    settle();
    listen();
    const struct {
        const char* name;
        std::function<void()> move;
        int caret;
    } moves[] = {
        {"to the end", [this] { QTest::keyClick(&field, Qt::Key_End, Qt::ControlModifier); }, 7},
        {"a line up", [this] { QTest::keyClick(&field, Qt::Key_Up); }, 4},
        {"by the accessible", [this] { text()->setCursorPosition(2); }, 2},
        {"back over a pair", [this] { QTest::keyClick(&field, Qt::Key_Left); }, 0},
        {"selecting", [this] { text()->setSelection(0, 2, 4); }, 4},
    };
    for (const auto& m : moves) {
        SCOPED_TRACE(m.name);
        seen().clear();
        m.move();
        settle();
        ASSERT_FALSE(seen().empty());
        EXPECT_EQ(seen().back().type, QAccessible::TextCaretMoved);
        EXPECT_EQ(seen().back().position, m.caret);
        EXPECT_EQ(text()->cursorPosition(), m.caret);
    }
    // A selection cleared is told, though the caret stays.
    seen().clear();
    text()->removeSelection(0);
    settle();
    ASSERT_EQ(seen().size(), 1u);
    EXPECT_EQ(std::make_pair(seen()[0].position, seen()[0].end), std::make_pair(4, 4));
}

using FieldAccessibleWindowTest = SettingsWindowTest;

TEST_F(FieldAccessibleWindowTest, TextPutInByAnAssistiveToolIsSavedAsShiftJis) {
    writeIni("P", {{"GROUPCOUNT", "1"}});
    writeProjectFile("P", "Group-0.txt", sj("組0") + "\r\n");
    load({"P"}, 0);
    auto* list = QAccessible::queryAccessibleInterface(form->Memo1)->editableTextInterface();
    auto* body = QAccessible::queryAccessibleInterface(form->txtMailBody)->editableTextInterface();
    list->insertText(0, QStringLiteral("a@example.com\nb@example.com\n"));
    list->deleteText(14, 28);
    body->insertText(0, QStringLiteral("①㈱髙橋様\n本文"));
    body->replaceText(0, 1, QStringLiteral("②"));
    form->SpeedButton5Click();
    EXPECT_EQ(app.read("Mail/P/list.txt"), "a@example.com,0\r\n");
    EXPECT_EQ(app.read("Mail/P/Body-0.txt"), sj("②㈱髙橋様\r\n本文"));
}

}  // namespace
