#include "dialogs/recipient_file_reader.h"

#include <QEventLoop>
#include <QFileInfo>
#include <QProgressDialog>
#include <QThread>
#include <QTimer>
#include <exception>
#include <memory>

#include "dialogs/busy_cursor.h"

namespace recipientfile {

std::optional<recipients::ImportResult> read(QWidget* parent, const QString& path,
                                             std::string field,
                                             const recipients::OptOutList* optOuts) {
    const std::string localPath = QFile::encodeName(path).toStdString();
    auto progress = std::make_shared<recipients::ImportProgress>();
    recipients::ImportResult result;
    std::exception_ptr failure;
    std::unique_ptr<QThread> worker(QThread::create([&] {
        try {
            result = recipients::importRecipients(localPath, field, progress.get(), optOuts);
        } catch (...) {
            failure = std::current_exception();
        }
    }));

    QEventLoop loop;
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit);
    std::unique_ptr<QProgressDialog> dialog;
    QTimer poll;
    const bool large = QFileInfo(path).size() >= kProgressFrom;
    std::optional<BusyCursor> busy;
    if (large) {
        dialog = std::make_unique<QProgressDialog>(
            QStringLiteral("「%1」を読み込んでいます…").arg(QFileInfo(path).fileName()),
            QStringLiteral("キャンセル"), 0, 1000, parent);
        dialog->setWindowTitle(QStringLiteral("ZELMonitor"));
        dialog->setWindowModality(Qt::WindowModal);
        dialog->setMinimumDuration(0);
        dialog->setAutoClose(false);
        dialog->setAutoReset(false);
        QObject::connect(dialog.get(), &QProgressDialog::canceled,
                         [progress] { progress->cancel = true; });
        QObject::connect(&poll, &QTimer::timeout, [&] {
            if (dialog->wasCanceled()) progress->cancel = true;
            dialog->setValue(progress->permille.load());
        });
        poll.start(50);
        dialog->setValue(0);
    } else {
        busy.emplace();
    }
    worker->start();
    // A short read holds the user's input back until it is done; a long one takes it
    // only through the window-modal progress dialog.
    if (!worker->isFinished())
        loop.exec(large ? QEventLoop::AllEvents : QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    poll.stop();
    dialog.reset();
    if (failure) std::rethrow_exception(failure);
    if (result.status == recipients::ImportStatus::Cancelled) return std::nullopt;
    return result;
}

}  // namespace recipientfile
