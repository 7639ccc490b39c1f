#pragma once

#include <QString>
#include <atomic>
#include <functional>
#include <memory>

class QWidget;

class QProgressDialog;

namespace workerprogress {

// A window-modal box with a busy bar and a cancel button, for work whose length is unknown.
void setUpBusyBox(QProgressDialog& dialog, const QString& objectName, const QString& title,
                  const QString& label, const QString& cancelText);

// Runs `work` on a worker thread behind a busy progress box whose "中止" sets the flag it
// is given, so the window keeps painting while a server is slow. Returns once the work has
// ended; the work must watch the flag and end soon after it is set. It must not touch Qt.
void run(QWidget* parent, const QString& objectName, const QString& title, const QString& label,
         const std::function<void(const std::atomic<bool>& cancel)>& work);

}  // namespace workerprogress
