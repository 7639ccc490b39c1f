#include "textfield/field_text_events.h"

#include <QAccessible>
#include <QMetaObject>
#include <utility>

#include "textfield/plain_text_field.h"

FieldTextEvents::FieldTextEvents(PlainTextField* field) : field_(field) {}

namespace {

// Beyond this a swapped-out text is told by its length alone, in blanks, as Qt's own text
// fields tell it: converting a million lines for it would stop the window.
constexpr int kToldRemovedUnits = 1 << 16;

}  // namespace

QString FieldTextEvents::wholeText() const {
    const std::string_view text = field_->utf8View();
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}

// Qt drops every event while no assistive tool listens: nothing is worked out for them then.
void FieldTextEvents::beforeInsert(long position, long length) {
    if (swapDepth_ > 0 || length <= 0 || !QAccessible::isActive()) return;
    completeInsert();
    pending_.push_back(
        {Kind::Insert, field_->offsets().offsetOf(position), position, length, {}, {}});
    insertOpen_ = true;
    schedule();
}

void FieldTextEvents::beforeDelete(long position, long length) {
    if (swapDepth_ > 0 || length <= 0 || !QAccessible::isActive()) return;
    completeInsert();
    pending_.push_back({Kind::Remove,
                        field_->offsets().offsetOf(position),
                        position,
                        length,
                        field_->offsets().textRange(position, position + length),
                        {}});
    schedule();
}

void FieldTextEvents::completeInsert() {
    if (!insertOpen_) return;
    // Nothing has changed since the insert went in: its text is where it was put.
    Edit& edit = pending_.back();
    edit.inserted = field_->offsets().textRange(edit.position, edit.position + edit.length);
    insertOpen_ = false;
}

PreparedSwap PreparedSwap::of(const std::string& utf8, int removedUnits) {
    PreparedSwap prepared;
    prepared.made = true;
    prepared.inserted = QString::fromUtf8(utf8.data(), qsizetype(utf8.size()));
    // Any character outside ASCII takes more bytes in UTF-8 than units in UTF-16.
    prepared.ascii = prepared.inserted.size() == qsizetype(utf8.size());
    if (removedUnits > 0) prepared.removed = QString(removedUnits, QLatin1Char(' '));
    return prepared;
}

void FieldTextEvents::beginSwap() {
    if (swapDepth_++ > 0) return;
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

int FieldTextEvents::untoldRemovedUnits() const {
    return swapTold_ && swappedOut_.isNull() ? swappedOutUnits_ : 0;
}

void FieldTextEvents::endSwap(const PreparedSwap* prepared) {
    if (--swapDepth_ > 0) return;
    caret_ = selectionStart_ = selectionEnd_ = -1;
    if (!std::exchange(swapTold_, false)) return;
    QString removed = std::exchange(swappedOut_, QString());
    if (removed.isNull() && swappedOutUnits_ > 0)
        removed = prepared && prepared->removed.size() == swappedOutUnits_
                      ? prepared->removed
                      : QString(swappedOutUnits_, QLatin1Char(' '));
    QString inserted = prepared && prepared->made ? prepared->inserted : wholeText();
    if (!removed.isEmpty() || !inserted.isEmpty())
        pending_.push_back({Kind::Update, 0, 0, 0, std::move(removed), std::move(inserted)});
    schedule();
}

void FieldTextEvents::schedule() {
    if (scheduled_ || pending_.empty()) return;
    scheduled_ = true;
    QMetaObject::invokeMethod(
        field_, [this] { send(); }, Qt::QueuedConnection);
}

void FieldTextEvents::send() {
    scheduled_ = false;
    completeInsert();
    std::vector<Edit> edits = std::exchange(pending_, {});
    for (const Edit& edit : edits) {
        if (edit.kind == Kind::Insert) {
            QAccessibleTextInsertEvent event(field_, edit.offset, edit.inserted);
            QAccessible::updateAccessibility(&event);
        } else if (edit.kind == Kind::Remove) {
            QAccessibleTextRemoveEvent event(field_, edit.offset, edit.removed);
            QAccessible::updateAccessibility(&event);
        } else {
            QAccessibleTextUpdateEvent event(field_, 0, edit.removed, edit.inserted);
            QAccessible::updateAccessibility(&event);
        }
    }
}

void FieldTextEvents::caretMayHaveMoved() {
    send();
    if (!QAccessible::isActive()) return;
    using Sci = QsciScintillaBase;
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
