#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>
#include <optional>
#include <type_traits>
#include <utility>

class QWidget;
template <typename T>
class QFutureWatcher;

// Work too long for the window's own thread runs here, on this module's pool, and nowhere
// else in the window's code. The work must not touch Qt. Every caller relies on these rules:
//
// - Owner. `wait` owns its job until it returns; a job whose box was cancelled with
//   Cancel::Drop then owns itself and ends on its own. A `Latest` owns the job it started
//   last, and cancels it when it is destroyed.
// - Cancel. The job's stop flag is set. The work stops at its next look at the flag (work
//   that never looks runs to its end), and whatever it made or threw is dropped and freed
//   with the job, on whichever thread lets go of it last.
// - A newer request. `Latest::start` cancels the job before it: the newer pick wins, and
//   the older one's result is never seen.
// - Quit. As the application quits every job is cancelled; the pool waits for the rest
//   after `main` returns, so no worker is cut off while it holds memory. Work must look
//   at its flag (or end) often, so that a quit never waits on it.
// - What a job reads. Its own copy, held by the work; or, under `holdingInput` only, a
//   view into a widget's buffer that the caller keeps read-only until the wait returns.
//   The user's input is held back then, but timers still run: they may read that buffer,
//   never write it or move it.
// - Errors. What the work throws is thrown again by `wait` on the window's thread, where
//   the handler's usual error box shows it. A `Latest` shows the box itself, after its
//   taker has seen the failure. Either way the window keeps running.
namespace offthread {

// The flag a cancel sets; the work looks at it at its checks.
using Stop = std::atomic<bool>;
using Work = std::function<void(const Stop& stop)>;

enum class Cancel {
    None,  // no box: the wait cursor shows and the user's input is held back
    Stop,  // a box whose button sets the stop flag; the wait lasts until the work ends
    Drop,  // a box whose button ends the wait at once; the job runs on unseen
};

struct Wait {
    Cancel cancel = Cancel::None;
    // The window-modal box, for Cancel::Stop and Cancel::Drop.
    QWidget* parent = nullptr;
    QString objectName;
    QString title;
    QString label;
    QString button;
    // Out of 1000, set by the work; without it the box shows a busy bar.
    const std::atomic<int>* permille = nullptr;
    // The flag the work looks at, when it is not the job's own (a library's progress
    // record, say). It must outlive the wait, so Cancel::Drop takes none.
    Stop* stop = nullptr;
};

// A Wait behind a window-modal box with a busy bar, `label` and the button `button`.
Wait box(Cancel cancel, QWidget* parent, const QString& objectName, const QString& title,
         const QString& label, const QString& button);

struct Job;

// The typed calls below wrap these; only this module sees a result as untyped.
namespace detail {

bool wait(const Wait& how, Work work);

class LatestJob {
public:
    using Produce = std::function<std::shared_ptr<void>(const Stop& stop)>;
    using Take = std::function<void(std::shared_ptr<void> result)>;

    LatestJob();
    ~LatestJob();
    LatestJob(const LatestJob&) = delete;
    LatestJob& operator=(const LatestJob&) = delete;

    void start(Produce produce, Take take);
    void cancel();

private:
    std::shared_ptr<Job> job_;
    std::unique_ptr<QFutureWatcher<void>> watcher_;
};

}  // namespace detail

// Runs `work(stop)` on the pool and waits for it, the window painting meanwhile. For work
// that returns nothing: false when the user cancelled (with Cancel::Drop the box closed
// before the work ended, with Cancel::Stop the work was asked to stop). For work that
// returns a T: what it returned, or nullopt when the user cancelled.
template <typename Fn>
auto wait(const Wait& how, Fn work) {
    using T = std::invoke_result_t<Fn&, const Stop&>;
    if constexpr (std::is_void_v<T>) {
        return detail::wait(how, std::move(work));
    } else {
        // Held by the job too: a dropped job still writes its result somewhere alive.
        auto made = std::make_shared<std::optional<T>>();
        const bool ended = detail::wait(
            how, [made, work = std::move(work)](const Stop& stop) { made->emplace(work(stop)); });
        return ended ? std::move(*made) : std::optional<T>();
    }
}

// `wait` without a box, for work that cannot be cancelled: a save, a gate, a short check.
// Returns what `work()` returned.
template <typename Fn>
auto holdingInput(Fn work) {
    using T = std::invoke_result_t<Fn&>;
    if constexpr (std::is_void_v<T>) {
        detail::wait(Wait{}, [&work](const Stop&) { work(); });
    } else {
        // Nothing cancels it, so the work has ended when the wait returns.
        std::optional<T> made;
        detail::wait(Wait{}, [&work, &made](const Stop&) { made.emplace(work()); });
        return std::move(*made);
    }
}

// Runs `side` on the pool while `main` runs on this thread, and returns once both have
// ended, on every path. What `main` throws comes first, then what `side` threw.
void alongside(const std::function<void()>& side, const std::function<void()>& main);

// The newest of a series of background jobs whose result, a T, the window takes when it is
// ready.
template <typename T>
class Latest {
public:
    using Produce = std::function<std::shared_ptr<T>(const Stop& stop)>;
    // On the window's thread, only for the newest job and only if it was not cancelled:
    // what `produce` returned, or null when it threw (the error box follows).
    using Take = std::function<void(std::shared_ptr<T> result)>;

    void start(Produce produce, Take take) {
        job_.start([produce = std::move(produce)](
                       const Stop& stop) -> std::shared_ptr<void> { return produce(stop); },
                   [take = std::move(take)](std::shared_ptr<void> result) {
                       take(std::static_pointer_cast<T>(std::move(result)));
                   });
    }
    void cancel() { job_.cancel(); }

private:
    detail::LatestJob job_;
};

// Jobs not yet let go of: running, or ended and held by a caller. For tests.
int liveJobs();
// Returns once every job has ended. For tests.
void waitForAll();
// Runs on the worker as each job starts, before its work; none when empty. For tests,
// which hold jobs back with it; set it only while no job runs.
void setStartHook(std::function<void()> hook);

}  // namespace offthread
