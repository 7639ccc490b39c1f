#include "textfield/field_text_events.h"

#include <QAccessible>
#include <QMetaObject>
#include <algorithm>
#include <utility>

#include "textfield/plain_text_field.h"

FieldTextEvents::FieldTextEvents(PlainTextField* field) : field_(field) {}

namespace {

using Sci = QsciScintillaBase;

// Beyond this a swapped-out text is told by its length alone, in blanks, as Qt's own text
// fields tell it: converting a million lines for it would stop the window.
constexpr int kToldRemovedUnits = 1 << 16;
// The most one turn of the window's loop tells of a swap, in bytes or blanks.
constexpr long kPiece = 1 << 20;

bool continuationByte(const PlainTextField& field, long position) {
    const auto byte = static_cast<unsigned char>(
        field.SendScintilla(Sci::SCI_GETCHARAT, static_cast<unsigned long>(position)));
    return (byte & 0xC0) == 0x80;
}

// Where the piece of the text from `from` ends: at a line's start, or in a line longer
// than a piece at a character's start, so no piece splits a surrogate pair.
long pieceEnd(const PlainTextField& field, long from, long end) {
    if (end - from <= kPiece) return end;
    long at = from + kPiece;
    const long line = field.SendScintilla(
        Sci::SCI_POSITIONFROMLINE, static_cast<unsigned long>(field.SendScintilla(
                                       Sci::SCI_LINEFROMPOSITION, static_cast<unsigned long>(at))));
    if (line > from) return line;
    while (at > from + 1 && continuationByte(field, at)) --at;
    return at;
}

}  // namespace

QString FieldTextEvents::wholeText() const {
    const std::string_view text = field_->utf8View();
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Qt drops every event while no assistive tool listens: nothing is worked out for them then.
void FieldTextEvents::beforeInsert(long position, long length) {
    if (swapDepth_ > 0 || length <= 0 || !QAccessible::isActive()) return;
    tellSwappedText();
    completeInsert();
    pending_.push_back({Kind::Insert, field_->offsets().offsetOf(position), position, length, {}});
    insertOpen_ = true;
    schedule();
}

void FieldTextEvents::beforeDelete(long position, long length) {
    if (swapDepth_ > 0 || length <= 0 || !QAccessible::isActive()) return;
    tellSwappedText();
    completeInsert();
    pending_.push_back({Kind::Remove, field_->offsets().offsetOf(position), position, length,
                        field_->offsets().textRange(position, position + length)});
    schedule();
}

void FieldTextEvents::completeInsert() {
    if (!insertOpen_) return;
    // Nothing has changed since the insert went in: its text is where it was put.
    Edit& edit = pending_.back();
    edit.text = field_->offsets().textRange(edit.position, edit.position + edit.length);
    insertOpen_ = false;
}

void FieldTextEvents::tellSwappedText() {
    const bool reading = std::any_of(pending_.begin(), pending_.end(),
                                     [](const Edit& edit) { return edit.kind == Kind::Swapped; });
    while (reading && !pending_.empty()) tellFirst();
}

void FieldTextEvents::beginSwap() {
    if (swapDepth_++ > 0) return;
    tellSwappedText();
    completeInsert();
    // After a hold, the text to tell as removed is the one the hold swapped out.
    if (swapTold_) return;
    swapTold_ = QAccessible::isActive();
    if (!swapTold_) return;
    swappedOutUnits_ = field_->offsets().length();
    swappedOut_ = swappedOutUnits_ <= kToldRemovedUnits ? wholeText() : QString();
}

void FieldTextEvents::holdSwap() {
    if (--swapDepth_ > 0) return;
    caret_ = selectionStart_ = selectionEnd_ = -1;
}

void FieldTextEvents::endSwap() {
    if (--swapDepth_ > 0) return;
    caret_ = selectionStart_ = selectionEnd_ = -1;
    if (!std::exchange(swapTold_, false)) return;
    QString removed = std::exchange(swappedOut_, QString());
    if (!removed.isEmpty())
        pending_.push_back({Kind::Remove, 0, 0, 0, std::move(removed)});
    else if (removed.isNull() && swappedOutUnits_ > 0)
        pending_.push_back({Kind::Blanks, 0, 0, swappedOutUnits_, {}});
    const long length = field_->SendScintilla(Sci::SCI_GETLENGTH);
    if (length > 0) pending_.push_back({Kind::Swapped, 0, 0, length, {}});
    schedule();
}

void FieldTextEvents::schedule() {
    if (scheduled_ || pending_.empty()) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        field_, [this] { send(); }, Qt::QueuedConnection);
}

long FieldTextEvents::tellFirst() {
    Edit& edit = pending_.front();
    long cost = edit.text.size() + 1;
    if (edit.kind == Kind::Insert) {
        QAccessibleTextInsertEvent event(field_, edit.offset, edit.text);
        QAccessible::updateAccessibility(&event);
    } else if (edit.kind == Kind::Remove) {
        QAccessibleTextRemoveEvent event(field_, edit.offset, edit.text);
        QAccessible::updateAccessibility(&event);
    } else if (edit.kind == Kind::Blanks) {
        cost = std::min(edit.length, kPiece);
        QAccessibleTextRemoveEvent event(field_, edit.offset, QString(cost, QLatin1Char(' ')));
        QAccessible::updateAccessibility(&event);
        if ((edit.length -= cost) > 0) return cost;
    } else {
        const long end = pieceEnd(*field_, edit.position, edit.position + edit.length);
        const QString piece = field_->offsets().textRange(edit.position, end);
        QAccessibleTextInsertEvent event(field_, edit.offset, piece);
        QAccessible::updateAccessibility(&event);
        cost = end - edit.position;
        edit.offset += int(piece.size());
        edit.length -= cost;
        edit.position = end;
        if (edit.length > 0) return cost;
    }
    pending_.pop_front();
    return cost;
}

void FieldTextEvents::send() {
    scheduled_ = false;
    completeInsert();
    for (long told = 0; told < kPiece && !pending_.empty();) told += tellFirst();
    if (!pending_.empty())
        schedule();
    else if (std::exchange(caretOwed_, false))
        caretMayHaveMoved();
}

void FieldTextEvents::caretMayHaveMoved() {
    send();
    if (!QAccessible::isActive()) return;
    // The caret of a text still being told is told after it.
    if (!pending_.empty()) {
        caretOwed_ = true;
        return;
    }
    const int caret = field_->offsets().offsetOf(field_->SendScintilla(Sci::SCI_GETCURRENTPOS));
    const long from = field_->SendScintilla(Sci::SCI_GETSELECTIONSTART);
    const long to = field_->SendScintilla(Sci::SCI_GETSELECTIONEND);
    const int start = from == to ? caret : field_->offsets().offsetOf(from);
    const int end = from == to ? caret : field_->offsets().offsetOf(to);
    const bool hadSelection = selectionStart_ != selectionEnd_;
    if ((from != to || hadSelection) && (start != selectionStart_ || end != selectionEnd_)) {
        QAccessibleTextSelectionEvent event(field_, start, end);
        event.setCursorPosition(caret);
        QAccessible::updateAccessibility(&event);
    }
    selectionStart_ = start;
    selectionEnd_ = end;
    if (caret == caret_) return;
    caret_ = caret;
    QAccessibleTextCursorEvent event(field_, caret);
    QAccessible::updateAccessibility(&event);
}
