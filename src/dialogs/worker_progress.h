#pragma once

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

namespace workerprogress {

// Runs `work` on a worker thread behind a busy progress box whose "中止" sets the flag it
// is given, so the window keeps painting while a server is slow. Returns once the work has
// ended; the work must watch the flag and end soon after it is set. It must not touch Qt.
void run(QWidget* parent, const QString& objectName, const QString& title, const QString& label,
         const std::function<void(const std::atomic<bool>& cancel)>& work);

}  // namespace workerprogress
