#pragma once

#include <QAccessibleWidget>

class PlainTextField;

// What assistive tools read and edit of a plain multi-line field, at any size: offsets in
// UTF-16 code units, each query through the engine's line index and the lines it touches.
// An item at, before or after an offset is a line (or paragraph), or a piece between two
// of Qt's character, word or sentence boundaries, blanks and punctuation included.
class FieldAccessible : public QAccessibleWidget,
                        public QAccessibleTextInterface,
                        public QAccessibleEditableTextInterface {
public:
    explicit FieldAccessible(PlainTextField* field);

    // Gives every PlainTextField this accessible; installed once.
    static void install();

    void* interface_cast(QAccessible::InterfaceType type) override;
    QAccessible::State state() const override;
    QString text(QAccessible::Text type) const override;
    void setText(QAccessible::Text type, const QString& text) override;

    void selection(int selectionIndex, int* startOffset, int* endOffset) const override;
    int selectionCount() const override;
    void addSelection(int startOffset, int endOffset) override;
    void removeSelection(int selectionIndex) override;
    void setSelection(int selectionIndex, int startOffset, int endOffset) override;
    int cursorPosition() const override;
    void setCursorPosition(int position) override;
    QString text(int startOffset, int endOffset) const override;
    QString textBeforeOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                             int* startOffset, int* endOffset) const override;
    QString textAfterOffset(int offset, QAccessible::TextBoundaryType boundaryType,
                            int* startOffset, int* endOffset) const override;
    QString textAtOffset(int offset, QAccessible::TextBoundaryType boundaryType, int* startOffset,
                         int* endOffset) const override;
    int characterCount() const override;
    QRect characterRect(int offset) const override;
    int offsetAtPoint(const QPoint& point) const override;
    void scrollToSubstring(int startIndex, int endIndex) override;
    QString attributes(int offset, int* startOffset, int* endOffset) const override;

    void deleteText(int startOffset, int endOffset) override;
    void insertText(int offset, const QString& text) override;
    void replaceText(int startOffset, int endOffset, const QString& text) override;

private:
    enum class Side { Before, At, After };
    PlainTextField* field() const;
    // -1 stands for the end of the text, -2 for the caret.
    int resolved(int offset) const;
    QString lineNear(Side side, int offset, int* startOffset, int* endOffset) const;
    QString segmentNear(Side side, int offset, QAccessible::TextBoundaryType boundaryType,
                        int* startOffset, int* endOffset) const;
    QString near(Side side, int offset, QAccessible::TextBoundaryType boundaryType,
                 int* startOffset, int* endOffset) const;
    // The main selection and the others with text, by index among those with text.
    int engineSelection(int selectionIndex) const;
};
