#include "dialogs/off_thread.h"

#include <QEventLoop>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <atomic>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

#include "dialogs/busy_cursor.h"
#include "dialogs/worker_progress.h"
#include "shell/message_box.h"

namespace offthread {

namespace {

// Workers a cancel left running. They end on their own; the last are waited for when the
// program ends, so none is cut off while it still holds its memory.
class Stragglers {
public:
    void add(std::thread worker, std::shared_ptr<const std::atomic<bool>> finished) {
        const std::lock_guard<std::mutex> lock(mutex_);
        // Those that have ended since are let go of now.
        for (auto it = workers_.begin(); it != workers_.end();) {
            if (it->finished->load()) {
                it->thread.join();
                it = workers_.erase(it);
            } else {
                ++it;
            }
        }
        workers_.push_back({std::move(worker), std::move(finished)});
    }
    ~Stragglers() {
        for (Worker& worker : workers_) worker.thread.join();
    }

private:
    struct Worker {
        std::thread thread;
        std::shared_ptr<const std::atomic<bool>> finished;
    };
    std::mutex mutex_;
    std::vector<Worker> workers_;
};

Stragglers& stragglers() {
    static Stragglers value;
    return value;
}

}  // namespace

void holdingInput(const std::function<void()>& work) {
    BusyCursor busy;
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            work();
        } catch (...) {
            failure = std::current_exception();
        }
    }));
    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    worker->start();
    if (!worker->isFinished()) loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    if (failure) std::rethrow_exception(failure);
}

bool withCancelBox(QWidget* parent, const QString& label, std::function<void()> work) {
    struct Shared {
        std::function<void()> work;
        std::exception_ptr failure;
        std::atomic<bool> finished{false};
    };
    auto shared = std::make_shared<Shared>();
    shared->work = std::move(work);

    QProgressDialog dialog(parent);
    workerprogress::setUpBusyBox(dialog, QStringLiteral("offThreadProgress"), shell::kCaption,
                                 label, QStringLiteral("キャンセル"));

    // The worker keeps the shared state: after a cancel it may end after this function.
    stragglers().add(std::thread([shared] {
                         try {
                             shared->work();
                         } catch (...) {
                             shared->failure = std::current_exception();
                         }
                         shared->finished = true;
                     }),
                     std::shared_ptr<const std::atomic<bool>>(shared, &shared->finished));
    // Polled rather than signalled from the worker, so no Qt object crosses threads.
    QTimer poll(&dialog);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&dialog, shared] {
        if (shared->finished) dialog.accept();
    });
    poll.start(20);
    if (!shared->finished) dialog.exec();
    poll.stop();
    if (!shared->finished) return false;
    if (shared->failure) std::rethrow_exception(shared->failure);
    return true;
}

}  // namespace offthread
