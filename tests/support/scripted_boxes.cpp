#include "support/scripted_boxes.h"

ScriptedBoxes::ScriptedBoxes() {
    shell::setMessageBoxResponder([this](const shell::MessageBoxCall& call) {
        calls_.push_back(call);
        if (answers_.empty()) return int(shell::kResultOk);
        int result = answers_.front();
        answers_.pop_front();
        return result;
    });
}

ScriptedBoxes::~ScriptedBoxes() {
    shell::setMessageBoxResponder(nullptr);
}
