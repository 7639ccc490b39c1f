#include "settings/input_mode.h"

#include <QWidget>

void applyInputMode(QWidget* field, InputMode mode) {
    Qt::InputMethodHints hints = field->inputMethodHints();
    hints &= ~(Qt::ImhPreferLatin | Qt::ImhNoPredictiveText);
    switch (mode) {
        case InputMode::Default:
        case InputMode::Japanese:
            break;
        case InputMode::Latin:
            hints |= Qt::ImhPreferLatin;
            break;
        case InputMode::LatinLiteral:
            hints |= Qt::ImhPreferLatin | Qt::ImhNoPredictiveText;
            break;
    }
    field->setInputMethodHints(hints);
    field->setAttribute(Qt::WA_InputMethodEnabled, true);
}
