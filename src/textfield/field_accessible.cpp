#include "textfield/field_accessible.h"

#include <QByteArray>
#include <QTextBoundaryFinder>
#include <algorithm>
#include <vector>

#include "textfield/plain_text_field.h"

namespace {

using Sci = QsciScintillaBase;

QAccessibleInterface* fieldFactory(const QString& className, QObject* object) {
    if (className == QLatin1String("PlainTextField") && object && object->isWidgetType())
        return new FieldAccessible(static_cast<PlainTextField*>(object));
    return nullptr;
}

long lineCount(const Sci& field) {
    return field.SendScintilla(Sci::SCI_GETLINECOUNT);
}

// Where a line starts, or the text's end for the line after the last.
long lineStart(const Sci& field, long line) {
    if (line >= lineCount(field)) return field.SendScintilla(Sci::SCI_GETLENGTH);
    return field.SendScintilla(Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(line));
}

QString textOf(const PlainTextField& field, int from, int to) {
    const FieldOffsets& offsets = field.offsets();
    return offsets.textRange(offsets.positionOf(from), offsets.positionOf(to));
}

}  // namespace

FieldAccessible::FieldAccessible(PlainTextField* field)
    : QAccessibleWidget(field, QAccessible::EditableText) {}

void FieldAccessible::install() {
    static const bool installed = [] {
        QAccessible::installFactory(fieldFactory);
        return true;
    }();
    (void)installed;
}

PlainTextField* FieldAccessible::field() const {
    return static_cast<PlainTextField*>(widget());
}

void* FieldAccessible::interface_cast(QAccessible::InterfaceType type) {
    if (type == QAccessible::TextInterface) return static_cast<QAccessibleTextInterface*>(this);
    if (type == QAccessible::EditableTextInterface)
        return static_cast<QAccessibleEditableTextInterface*>(this);
    return QAccessibleWidget::interface_cast(type);
}

QAccessible::State FieldAccessible::state() const {
    QAccessible::State state = QAccessibleWidget::state();
    const bool readOnly = field()->isReadOnly();
    state.editable = !readOnly;
    state.readOnly = readOnly;
    state.multiLine = true;
    state.selectableText = true;
    return state;
}

QString FieldAccessible::text(QAccessible::Text type) const {
    if (type == QAccessible::Value) return text(0, characterCount());
    return QAccessibleWidget::text(type);
}

void FieldAccessible::setText(QAccessible::Text type, const QString& text) {
    if (type == QAccessible::Value)
        replaceText(0, characterCount(), text);
    else
        QAccessibleWidget::setText(type, text);
}

int FieldAccessible::engineSelection(int selectionIndex) const {
    const long count = field()->SendScintilla(Sci::SCI_GETSELECTIONS);
    for (long n = 0, seen = 0; n < count; ++n) {
        const unsigned long at = static_cast<unsigned long>(n);
        if (field()->SendScintilla(Sci::SCI_GETSELECTIONNSTART, at) ==
            field()->SendScintilla(Sci::SCI_GETSELECTIONNEND, at))
            continue;
        if (seen++ == selectionIndex) return int(n);
    }
    return -1;
}

void FieldAccessible::selection(int selectionIndex, int* startOffset, int* endOffset) const {
    *startOffset = *endOffset = 0;
    const int n = engineSelection(selectionIndex);
    if (n < 0) return;
    const unsigned long at = static_cast<unsigned long>(n);
    *startOffset =
        field()->offsets().offsetOf(field()->SendScintilla(Sci::SCI_GETSELECTIONNSTART, at));
    *endOffset = field()->offsets().offsetOf(field()->SendScintilla(Sci::SCI_GETSELECTIONNEND, at));
}

int FieldAccessible::selectionCount() const {
    int count = 0;
    while (engineSelection(count) >= 0) ++count;
    return count;
}

void FieldAccessible::addSelection(int startOffset, int endOffset) {
    if (selectionCount() == 0) return setSelection(0, startOffset, endOffset);
    field()->SendScintilla(Sci::SCI_ADDSELECTION,
                           static_cast<unsigned long>(field()->offsets().positionOf(endOffset)),
                           field()->offsets().positionOf(startOffset));
}

void FieldAccessible::removeSelection(int selectionIndex) {
    const int n = engineSelection(selectionIndex);
    if (n < 0) return;
    if (field()->SendScintilla(Sci::SCI_GETSELECTIONS) > 1) {
        field()->SendScintilla(Sci::SCI_DROPSELECTIONN, static_cast<unsigned long>(n));
        return;
    }
    field()->SendScintilla(
        Sci::SCI_SETEMPTYSELECTION,
        static_cast<unsigned long>(field()->SendScintilla(Sci::SCI_GETCURRENTPOS)));
}

void FieldAccessible::setSelection(int selectionIndex, int startOffset, int endOffset) {
    const long anchor = field()->offsets().positionOf(startOffset);
    const long caret = field()->offsets().positionOf(endOffset);
    const int n = engineSelection(selectionIndex);
    if (n > 0) {
        const unsigned long at = static_cast<unsigned long>(n);
        field()->SendScintilla(Sci::SCI_SETSELECTIONNANCHOR, at, anchor);
        field()->SendScintilla(Sci::SCI_SETSELECTIONNCARET, at, caret);
        return;
    }
    if (selectionIndex == 0)
        field()->SendScintilla(Sci::SCI_SETSEL, static_cast<unsigned long>(anchor), caret);
}

int FieldAccessible::cursorPosition() const {
    return field()->offsets().offsetOf(field()->SendScintilla(Sci::SCI_GETCURRENTPOS));
}

void FieldAccessible::setCursorPosition(int position) {
    field()->SendScintilla(Sci::SCI_GOTOPOS,
                           static_cast<unsigned long>(field()->offsets().positionOf(position)));
}

QString FieldAccessible::text(int startOffset, int endOffset) const {
    const int end = resolved(endOffset);
    return textOf(*field(), std::min(startOffset, end), std::max(startOffset, end));
}

int FieldAccessible::characterCount() const {
    return field()->offsets().length();
}

int FieldAccessible::resolved(int offset) const {
    if (offset == -1) return characterCount();
    if (offset == -2) return cursorPosition();
    return offset;
}

QString FieldAccessible::lineNear(Side side, int offset, int* startOffset, int* endOffset) const {
    const PlainTextField& sci = *field();
    long line = sci.SendScintilla(Sci::SCI_LINEFROMPOSITION, sci.offsets().positionOf(offset));
    if (side == Side::Before) --line;
    if (side == Side::After) ++line;
    if (line < 0 || line >= lineCount(sci)) {
        // No line before the first or after the last: an empty item at that end.
        *startOffset = *endOffset = line < 0 ? 0 : characterCount();
        return QString();
    }
    const long from = lineStart(sci, line), to = lineStart(sci, line + 1);
    *startOffset = sci.offsets().offsetOf(from);
    *endOffset = sci.offsets().offsetOf(to);
    return sci.offsets().textRange(from, to);
}

QString FieldAccessible::segmentNear(Side side, int offset,
                                     QAccessible::TextBoundaryType boundaryType, int* startOffset,
                                     int* endOffset) const {
    // Characters, words and sentences all end at a line end, so the item at an offset and
    // the ones next to it lie within its line and the lines on either side.
    const PlainTextField& sci = *field();
    const long line =
        sci.SendScintilla(Sci::SCI_LINEFROMPOSITION, sci.offsets().positionOf(offset));
    const long from = lineStart(sci, std::max(0L, line - 1));
    const int base = sci.offsets().offsetOf(from);
    const QString lines = sci.offsets().textRange(from, lineStart(sci, line + 2));
    const auto type = boundaryType == QAccessible::CharBoundary   ? QTextBoundaryFinder::Grapheme
                      : boundaryType == QAccessible::WordBoundary ? QTextBoundaryFinder::Word
                                                                  : QTextBoundaryFinder::Sentence;
    QTextBoundaryFinder finder(type, lines);
    std::vector<int> cuts = {0};
    for (qsizetype at = finder.toNextBoundary(); at > 0; at = finder.toNextBoundary())
        cuts.push_back(int(at));
    if (cuts.back() != lines.size()) cuts.push_back(int(lines.size()));
    // The item holding the offset; at the text's end, the empty one after the last.
    const int within = offset - base;
    int item = int(std::upper_bound(cuts.begin(), cuts.end(), within) - cuts.begin()) - 1;
    if (side == Side::Before) --item;
    if (side == Side::After) ++item;
    if (item < 0 || item + 1 >= int(cuts.size())) {
        *startOffset = *endOffset = item < 0 ? 0 : characterCount();
        return QString();
    }
    *startOffset = base + cuts[item];
    *endOffset = base + cuts[item + 1];
    return lines.mid(cuts[item], cuts[item + 1] - cuts[item]);
}

QString FieldAccessible::near(Side side, int offset, QAccessible::TextBoundaryType boundaryType,
                              int* startOffset, int* endOffset) const {
    offset = resolved(offset);
    const int count = characterCount();
    if (offset < 0 || offset > count) {
        *startOffset = *endOffset = -1;
        return QString();
    }
    switch (boundaryType) {
        case QAccessible::LineBoundary:
        case QAccessible::ParagraphBoundary:
            return lineNear(side, offset, startOffset, endOffset);
        case QAccessible::NoBoundary:
            *startOffset = 0;
            *endOffset = count;
            return text(0, count);
        default:
            return segmentNear(side, offset, boundaryType, startOffset, endOffset);
    }
}

QString FieldAccessible::textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                          int* startOffset, int* endOffset) const {
    return near(Side::Before, offset, boundaryType, startOffset, endOffset);
}

QString FieldAccessible::textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                         int* startOffset, int* endOffset) const {
    return near(Side::After, offset, boundaryType, startOffset, endOffset);
}

QString FieldAccessible::textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                                      int* startOffset, int* endOffset) const {
    return near(Side::At, offset, boundaryType, startOffset, endOffset);
}

QRect FieldAccessible::characterRect(int offset) const {
    const PlainTextField& sci = *field();
    const long position = sci.offsets().positionOf(resolved(offset));
    const long line = sci.SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    const long x = sci.SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, position);
    const long y = sci.SendScintilla(Sci::SCI_POINTYFROMPOSITION, 0UL, position);
    const long next =
        sci.SendScintilla(Sci::SCI_POSITIONAFTER, static_cast<unsigned long>(position));
    long width = sci.SendScintilla(Sci::SCI_POINTXFROMPOSITION, 0UL, next) - x;
    if (next == position || sci.SendScintilla(Sci::SCI_LINEFROMPOSITION, next) != line ||
        width <= 0)
        width = sci.SendScintilla(Sci::SCI_TEXTWIDTH, 0UL, " ");
    const long height = sci.SendScintilla(Sci::SCI_TEXTHEIGHT, static_cast<unsigned long>(line));
    const QPoint topLeft = field()->viewport()->mapToGlobal(QPoint(int(x), int(y)));
    return QRect(topLeft, QSize(int(width), int(height)));
}

int FieldAccessible::offsetAtPoint(const QPoint& point) const {
    const QPoint at = field()->viewport()->mapFromGlobal(point);
    const long position = field()->SendScintilla(Sci::SCI_POSITIONFROMPOINTCLOSE,
                                                 static_cast<unsigned long>(at.x()), long(at.y()));
    return position < 0 ? -1 : field()->offsets().offsetOf(position);
}

void FieldAccessible::scrollToSubstring(int startIndex, int endIndex) {
    field()->SendScintilla(
        Sci::SCI_SCROLLRANGE,
        static_cast<unsigned long>(field()->offsets().positionOf(resolved(endIndex))),
        field()->offsets().positionOf(resolved(startIndex)));
}

QString FieldAccessible::attributes(int offset, int* startOffset, int* endOffset) const {
    // Plain text in one font: one run without attributes.
    (void)offset;
    *startOffset = 0;
    *endOffset = characterCount();
    return QString();
}

void FieldAccessible::deleteText(int startOffset, int endOffset) {
    replaceText(startOffset, endOffset, QString());
}

void FieldAccessible::insertText(int offset, const QString& text) {
    replaceText(offset, offset, text);
}

void FieldAccessible::replaceText(int startOffset, int endOffset, const QString& text) {
    // A read-only field (a list still loading) takes nothing; the engine refuses it too.
    if (field()->isReadOnly()) return;
    const int start = resolved(startOffset), end = resolved(endOffset);
    const long from = field()->offsets().positionOf(std::min(start, end));
    const long to = field()->offsets().positionOf(std::max(start, end));
    const QByteArray bytes = text.toUtf8();
    field()->SendScintilla(Sci::SCI_BEGINUNDOACTION);
    field()->SendScintilla(Sci::SCI_SETTARGETRANGE, static_cast<unsigned long>(from), to);
    field()->SendScintilla(Sci::SCI_REPLACETARGET, static_cast<uintptr_t>(bytes.size()),
                           bytes.constData());
    field()->SendScintilla(Sci::SCI_ENDUNDOACTION);
}
