#include "dialogs/worker_progress.h"

#include <QProgressDialog>
#include <QTimer>
#include <memory>
#include <thread>

namespace workerprogress {

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

void run(QWidget* parent, const QString& objectName, const QString& title, const QString& label,
         const std::function<void(const std::atomic<bool>& cancel)>& work) {
    struct Shared {
        std::atomic<bool> cancel{false};
        std::atomic<bool> finished{false};
    };
    auto shared = std::make_shared<Shared>();

    QProgressDialog dialog(parent);
    setUpBusyBox(dialog, objectName, title, label, QStringLiteral("中止"));

    // `work` outlives the thread: it is joined below, whichever way the dialog ends.
    std::thread worker([shared, &work] {
        work(shared->cancel);
        shared->finished = true;
    });
    // Polled rather than signalled from the worker, so no Qt object crosses threads.
    QTimer poll(&dialog);
    QObject::connect(&poll, &QTimer::timeout, &dialog, [&dialog, shared] {
        if (shared->finished) dialog.accept();
    });
    QObject::connect(&dialog, &QProgressDialog::canceled, &dialog,
                     [shared] { shared->cancel = true; });
    poll.start(50);
    if (!shared->finished) dialog.exec();
    poll.stop();
    shared->cancel = shared->cancel || !shared->finished;
    worker.join();  // within a poll interval of the cancel flag
}

}  // namespace workerprogress
