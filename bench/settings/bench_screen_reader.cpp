#include "bench_screen_reader.h"

#include <QAccessible>

#include "accessibility_switch.h"

namespace bench {

namespace {

// Kept so the reads are not optimised away.
volatile qsizetype heardCharacters = 0;

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
                static_cast<QAccessibleTextInsertEvent*>(event)->textInserted().size();
            break;
        case QAccessible::TextRemoved:
            heardCharacters = heardCharacters +
                              static_cast<QAccessibleTextRemoveEvent*>(event)->textRemoved().size();
            break;
        case QAccessible::TextUpdated:
            heardCharacters =
                heardCharacters +
                static_cast<QAccessibleTextUpdateEvent*>(event)->textInserted().size();
            break;
        default:
            break;
    }
}

}  // namespace

void listenAsScreenReader() {
    QAccessible::installUpdateHandler(hear);
    setAccessibilityActive(true);
}

}  // namespace bench
