#include "bench_gap_watch.h"

#include <QEventLoop>
#include <algorithm>
#include <utility>

namespace bench {

namespace {

double millis(std::chrono::steady_clock::duration d) {
    return std::chrono::duration<double, std::milli>(d).count();
}

}  // namespace

GapWatch::GapWatch(std::function<bool()> done) : done_(std::move(done)) {
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(kTickMs);
    connect(&timer_, &QTimer::timeout, this, &GapWatch::tick);
}

void GapWatch::tick() {
    const auto now = Clock::now();
    longest_ = std::max(longest_, millis(now - last_));
    last_ = now;
    if (total_ < 0 && ran_ && done_()) total_ = millis(now - start_);
}

void GapWatch::measure(const std::function<void()>& action, int tailMs) {
    QEventLoop loop;
    longest_ = 0;
    total_ = -1;
    ran_ = false;
    QTimer tail;
    tail.setSingleShot(true);
    connect(&tail, &QTimer::timeout, &loop, &QEventLoop::quit);
    // The tail starts once the action is done, checked on every tick.
    connect(&timer_, &QTimer::timeout, &loop, [&] {
        if (ran_ && total_ >= 0 && !tail.isActive()) tail.start(tailMs);
    });
    QTimer::singleShot(0, &loop, [&] {
        start_ = last_ = Clock::now();
        timer_.start();
        action();
        ran_ = true;
    });
    loop.exec();
    timer_.stop();
    disconnect(&timer_, &QTimer::timeout, &loop, nullptr);
}

}  // namespace bench
