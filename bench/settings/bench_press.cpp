#include "bench_press.h"

#include <chrono>
#include <cstdio>
#include <vector>

#include "shell/message_box.h"

namespace bench {

std::optional<double> millisToBox(const std::function<void()>& press, int awaitedStyle) {
    using Clock = std::chrono::steady_clock;
    std::vector<shell::MessageBoxCall> boxes;
    std::optional<Clock::time_point> arrived;
    shell::setMessageBoxResponder([&](const shell::MessageBoxCall& call) {
        const auto now = Clock::now();
        if (call.style == awaitedStyle && !arrived) arrived = now;
        boxes.push_back(call);
        return int(shell::kResultOk);
    });
    const auto start = Clock::now();
    press();
    shell::setMessageBoxResponder(nullptr);

    const bool expected = boxes.size() == 2 && boxes[0].style == shell::kStyleQuestion &&
                          boxes[1].style == awaitedStyle;
    if (!expected) {
        std::fprintf(stderr, "the press did not show a question and then box style %#x:\n",
                     unsigned(awaitedStyle));
        for (const auto& box : boxes)
            std::fprintf(stderr, "  box %#x: %s\n", unsigned(box.style),
                         box.text.toUtf8().constData());
        return std::nullopt;
    }
    return std::chrono::duration<double, std::milli>(*arrived - start).count();
}

}  // namespace bench
