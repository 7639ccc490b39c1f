#pragma once

#include <deque>
#include <vector>

#include "shell/message_box.h"

// Answers message boxes from a script and records every box asked for.
// Boxes beyond the script are answered with OK.
class ScriptedBoxes {
public:
    ScriptedBoxes();
    ~ScriptedBoxes();

    void answer(int result) { answers_.push_back(result); }
    const std::vector<shell::MessageBoxCall>& calls() const { return calls_; }
    void clear() {
        calls_.clear();
        answers_.clear();
    }

private:
    std::deque<int> answers_;
    std::vector<shell::MessageBoxCall> calls_;
};
