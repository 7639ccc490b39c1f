#include "bench_screen_reader.h"

#include <QAccessible>

#include "accessibility_switch.h"

namespace bench {

namespace {

// Kept so the reads are not optimised away.
volatile qsizetype heardCharacters = 0;
EditText takes = EditText::Held;

qsizetype taken(const QString& text) {
    return takes == EditText::Read ? text.toUtf8().size() : text.size();
}

void hear(QAccessibleEvent* event) {
    switch (event->type()) {
        case QAccessible::TextCaretMoved:
            if (QAccessibleInterface* iface = event->accessibleInterface()) {
                if (QAccessibleTextInterface* text = iface->textInterface()) {
                    int start = 0, end = 0;
                    const int caret = text->cursorPosition();
                    heardCharacters =
                        heardCharacters +
                        text->textAtOffset(caret, QAccessible::LineBoundary, &start, &end).size();
                }
            }
            break;
        case QAccessible::Focus:
            if (QAccessibleInterface* iface = event->accessibleInterface())
                heardCharacters = heardCharacters + iface->text(QAccessible::Name).size();
            break;
        case QAccessible::TextInserted:
            heardCharacters =
                heardCharacters +
                taken(static_cast<QAccessibleTextInsertEvent*>(event)->textInserted());
            break;
        case QAccessible::TextRemoved:
            heardCharacters = heardCharacters +
                              taken(static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved());
            break;
        case QAccessible::TextUpdated: {
            auto* update = static_cast<QAccessibleTextUpdateEvent*>(event);
            heardCharacters =
                heardCharacters + taken(update->textRemoved()) + taken(update->textInserted());
            break;
        }
        default:
            break;
    }
}

}  // namespace

void listenAsScreenReader(EditText editText) {
    takes = editText;
    QAccessible::installUpdateHandler(hear);
    setAccessibilityActive(true);
}

}  // namespace bench
