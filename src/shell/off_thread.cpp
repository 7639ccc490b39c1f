#include "shell/off_thread.h"

#include <QCoreApplication>
#include <QEventLoop>
#include <QFutureWatcher>
#include <QProgressDialog>
#include <QThreadPool>
#include <QTimer>
#include <QtConcurrent/QtConcurrentRun>
#include <exception>
#include <mutex>
#include <optional>
#include <set>

#include "shell/busy_cursor.h"
#include "shell/error_report.h"

namespace offthread {

// One piece of work and what it leaves behind. Shared by the pool's task and the caller;
// the last to let go frees the result.
struct Job {
    explicit Job(detail::LatestJob::Produce produce, Stop* stopFlag = nullptr);
    ~Job();
    Job(const Job&) = delete;
    Job& operator=(const Job&) = delete;

    detail::LatestJob::Produce produce;
    Stop ownStop{false};
    Stop* stop;
    std::shared_ptr<void> result;
    std::exception_ptr failure;
};

namespace {

class Registry {
public:
    void add(Job* job) {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobs_.insert(job);
    }
    void remove(Job* job) {
        const std::lock_guard<std::mutex> lock(mutex_);
        jobs_.erase(job);
    }
    int size() {
        const std::lock_guard<std::mutex> lock(mutex_);
        return int(jobs_.size());
    }
    void cancelAll() {
        const std::lock_guard<std::mutex> lock(mutex_);
        for (Job* job : jobs_) *job->stop = true;
    }

private:
    std::mutex mutex_;
    std::set<Job*> jobs_;
};

Registry& registry() {
    static Registry value;
    return value;
}

std::function<void()>& startHook() {
    static std::function<void()> hook;
    return hook;
}

// A pool of our own: a cancelled job that runs on must never keep the next one waiting,
// as it would in the shared pool, which has a thread per core. Its destructor, after
// `main`, waits for what still runs.
QThreadPool& pool() {
    static QThreadPool* const value = [] {
        // What the jobs use is made first, so it is destroyed after the pool's last wait.
        registry();
        startHook();
        static QThreadPool threads;
        threads.setMaxThreadCount(64);
        if (auto* app = QCoreApplication::instance())
            QObject::connect(app, &QCoreApplication::aboutToQuit, [] { registry().cancelAll(); });
        return &threads;
    }();
    return *value;
}

QFuture<void> launch(std::shared_ptr<Job> job) {
    return QtConcurrent::run(&pool(), [job]() mutable {
        try {
            if (startHook()) startHook()();
            job->result = job->produce(*job->stop);
        } catch (...) {
            job->failure = std::current_exception();
        }
        // What the work captured goes with it; a cancelled job is freed here.
        job->produce = nullptr;
        if (*job->stop) job->result.reset();
        job.reset();
    });
}

void setUpBox(QProgressDialog& dialog, const Wait& how) {
    dialog.setObjectName(how.objectName);
    dialog.setWindowTitle(how.title);
    dialog.setLabelText(how.label);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setCancelButtonText(how.button);
    dialog.setRange(0, how.permille ? 1000 : 0);  // without steps to count: a busy bar
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumWidth(420);
    dialog.setValue(0);
}

}  // namespace

Job::Job(detail::LatestJob::Produce produce, Stop* stopFlag)
    : produce(std::move(produce)), stop(stopFlag ? stopFlag : &ownStop) {
    registry().add(this);
}

Job::~Job() {
    registry().remove(this);
}

Wait box(Cancel cancel, QWidget* parent, const QString& objectName, const QString& title,
         const QString& label, const QString& button) {
    Wait how;
    how.cancel = cancel;
    how.parent = parent;
    how.objectName = objectName;
    how.title = title;
    how.label = label;
    how.button = button;
    return how;
}

bool detail::wait(const Wait& how, Work work) {
    auto job = std::make_shared<Job>(
        [work = std::move(work)](const Stop& stop) {
            work(stop);
            return std::shared_ptr<void>();
        },
        how.cancel == Cancel::Drop ? nullptr : how.stop);
    QFutureWatcher<void> watcher;
    QEventLoop loop;
    QObject::connect(&watcher, &QFutureWatcherBase::finished, &loop, &QEventLoop::quit);
    if (how.cancel == Cancel::None) {
        BusyCursor busy;
        watcher.setFuture(launch(job));
        if (!watcher.isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    } else {
        QProgressDialog dialog(how.parent);
        setUpBox(dialog, how);
        // A box already closed stays closed: an accept after a reject or a hide would turn
        // the cancel back into a finished job.
        QObject::connect(&watcher, &QFutureWatcherBase::finished, &dialog, [&dialog] {
            if (dialog.isVisible()) dialog.accept();
        });
        QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                         [job] { *job->stop = true; });
        QTimer bar;
        if (how.permille) {
            QObject::connect(&bar, &QTimer::timeout, &dialog,
                             [&dialog, &how] { dialog.setValue(how.permille->load()); });
            bar.start(50);
        }
        watcher.setFuture(launch(job));
        // Only the job's end accepts the box: any other way it closed is a cancel.
        if (!watcher.isFinished() && dialog.exec() != QDialog::Accepted) *job->stop = true;
    }
    if (!watcher.isFinished()) {
        // The box was cancelled, or the application quits.
        *job->stop = true;
        if (how.cancel == Cancel::Drop) return false;
        // Events still flow while the work stops, unless the application is ending.
        loop.exec(QEventLoop::ExcludeUserInputEvents);
        watcher.waitForFinished();
    }
    if (job->failure) std::rethrow_exception(job->failure);
    return !*job->stop;
}

void alongside(const std::function<void()>& side, const std::function<void()>& main) {
    // `side` is borrowed: it is waited for below on every path.
    auto job = std::make_shared<Job>([&side](const Stop&) {
        side();
        return std::shared_ptr<void>();
    });
    QFuture<void> running = launch(job);
    std::exception_ptr failure;
    try {
        main();
    } catch (...) {
        failure = std::current_exception();
    }
    running.waitForFinished();
    if (!failure) failure = job->failure;
    if (failure) std::rethrow_exception(failure);
}

detail::LatestJob::LatestJob() = default;

detail::LatestJob::~LatestJob() {
    cancel();
}

void detail::LatestJob::cancel() {
    if (job_) *job_->stop = true;
    // The watcher goes first, so no ending of the old job reaches the taker.
    watcher_.reset();
    job_.reset();
}

void detail::LatestJob::start(Produce produce, Take take) {
    cancel();
    job_ = std::make_shared<Job>(std::move(produce));
    watcher_ = std::make_unique<QFutureWatcher<void>>();
    QObject::connect(watcher_.get(), &QFutureWatcherBase::finished, watcher_.get(),
                     [this, take = std::move(take)] {
                         const std::shared_ptr<Job> job = std::move(job_);
                         // Deleted once this call is done, never inside it.
                         watcher_.release()->deleteLater();
                         if (*job->stop) return;
                         shell::runHandler([&] {
                             take(job->failure ? nullptr : std::move(job->result));
                             if (job->failure) std::rethrow_exception(job->failure);
                         });
                     });
    watcher_->setFuture(launch(job_));
}

int liveJobs() {
    return registry().size();
}

void waitForAll() {
    pool().waitForDone();
}

void setStartHook(std::function<void()> hook) {
    startHook() = std::move(hook);
}

}  // namespace offthread
