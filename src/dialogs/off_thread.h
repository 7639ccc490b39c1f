#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

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
//   at its flag (or end) within a few hundred milliseconds, which keeps a quit to about 1 s.
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

// Runs `work` on the pool and waits for it, the window painting meanwhile. False when the
// user cancelled: with Cancel::Drop the box closed before the work ended, with Cancel::Stop
// the work was asked to stop.
bool wait(const Wait& how, Work work);

// `wait` without a box, for work that cannot be cancelled: a save, a gate, a short check.
void holdingInput(const std::function<void()>& work);

// Runs `side` on the pool while `main` runs on this thread, and returns once both have
// ended, on every path. What `main` throws comes first, then what `side` threw.
void alongside(const std::function<void()>& side, const std::function<void()>& main);

struct Job;

// The newest of a series of background jobs whose result the window takes when it is
// ready.
class Latest {
public:
    using Produce = std::function<std::shared_ptr<void>(const Stop& stop)>;
    // On the window's thread, only for the newest job and only if it was not cancelled:
    // what `produce` returned, or null when it threw (the error box follows).
    using Take = std::function<void(std::shared_ptr<void> result)>;

    Latest();
    ~Latest();
    Latest(const Latest&) = delete;
    Latest& operator=(const Latest&) = delete;

    void start(Produce produce, Take take);
    void cancel();

private:
    std::shared_ptr<Job> job_;
    std::unique_ptr<QFutureWatcher<void>> watcher_;
};

// Jobs not yet let go of: running, or ended and held by a caller. For tests.
int liveJobs();
// Returns once every job has ended. For tests.
void waitForAll();
// Runs on the worker as each job starts, before its work; none when empty. For tests,
// which hold jobs back with it; set it only while no job runs.
void setStartHook(std::function<void()> hook);

}  // namespace offthread
