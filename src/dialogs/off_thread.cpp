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

// A window-modal box with a busy bar and a cancel button, for work whose length is unknown.
void setUpBusyBox(QProgressDialog& dialog, const QString& objectName, const QString& title,
                  const QString& label, const QString& cancelText) {
    dialog.setObjectName(objectName);
    dialog.setWindowTitle(title);
    dialog.setLabelText(label);
    dialog.setWindowModality(Qt::WindowModal);
    dialog.setCancelButtonText(cancelText);
    dialog.setRange(0, 0);  // no steps to count: a busy bar
    dialog.setMinimumDuration(0);
    dialog.setAutoClose(false);
    dialog.setAutoReset(false);
    dialog.setMinimumWidth(420);
}

// Shows the box until the worker says it has finished or the user cancels. Polled rather
// than signalled from the worker, so no Qt object crosses threads.
void showUntil(QProgressDialog& dialog, const std::atomic<bool>& finished) {
    QTimer poll(&dialog);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&dialog, &finished] {
        if (finished) dialog.accept();
    });
    poll.start(20);
    if (!finished) dialog.exec();
    poll.stop();
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
    setUpBusyBox(dialog, QStringLiteral("offThreadProgress"), shell::kCaption, label,
                 QStringLiteral("キャンセル"));

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
    showUntil(dialog, shared->finished);
    if (!shared->finished) return false;
    if (shared->failure) std::rethrow_exception(shared->failure);
    return true;
}

void behindStopBox(QWidget* parent, const QString& objectName, const QString& title,
                   const QString& label,
                   const std::function<void(const std::atomic<bool>& stop)>& work) {
    struct Shared {
        std::atomic<bool> stop{false};
        std::atomic<bool> finished{false};
    };
    auto shared = std::make_shared<Shared>();
    QProgressDialog dialog(parent);
    setUpBusyBox(dialog, objectName, title, label, QStringLiteral("中止"));
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                     [shared] { shared->stop = true; });
    // `work` outlives the thread: it is joined below, whichever way the box ends.
    std::thread worker([shared, &work] {
        work(shared->stop);
        shared->finished = true;
    });
    showUntil(dialog, shared->finished);
    shared->stop = shared->stop || !shared->finished;
    worker.join();  // within a poll interval of the stop flag
}

}  // namespace offthread
