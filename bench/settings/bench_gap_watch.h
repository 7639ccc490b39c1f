#pragma once

#include <QObject>
#include <QTimer>
#include <chrono>
#include <functional>

namespace bench {

// What a user feels as a frozen window: a 5 ms timer on the GUI thread, and the longest
// time between two of its ticks while an action runs.
class GapWatch : public QObject {
public:
    static constexpr int kTickMs = 5;

    // Each tick also asks `done`; the first true stops the action's total time.
    explicit GapWatch(std::function<bool()> done);

    // Runs the action from the event loop, then keeps ticking until `done` and `tailMs`
    // more, so work the action left for later (painting, a count after a pause) is seen.
    void measure(const std::function<void()>& action, int tailMs);

    double longestGapMs() const { return longest_; }
    double totalMs() const { return total_; }

private:
    using Clock = std::chrono::steady_clock;
    void tick();

    std::function<bool()> done_;
    QTimer timer_;
    Clock::time_point start_, last_;
    double longest_ = 0;
    double total_ = -1;
    bool ran_ = false;  // the action has returned: its own nested loops tick too
};

}  // namespace bench
