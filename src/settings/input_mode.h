#pragma once

class QWidget;

// How a field treats the input method when it gets the focus.
enum class InputMode {
    Default,       // left as it is
    Japanese,      // Japanese input welcome
    Latin,         // Latin preferred; the user may still switch to Japanese
    LatinLiteral,  // Latin preferred and no predictions: addresses, numbers, secrets
};

// The one place a field's input-method policy is applied. The input method itself is
// never disabled, so the user can always type Japanese where needed.
void applyInputMode(QWidget* field, InputMode mode);
