#pragma once

#include <QString>
#include <atomic>
#include <functional>

class QWidget;

// Work too long for the window's own thread: it runs on a worker while the window keeps
// painting. The work must not touch Qt.
namespace offthread {

// The wait cursor shows and the user's input is held back until `work` ends. What it
// throws is thrown again here, on the window's thread.
void holdingInput(const std::function<void()>& work);

// Behind a window-modal box with a busy bar, `label` and "キャンセル". False when the user
// cancelled: the box closes at once, the work ends unseen and whatever it throws is
// dropped, so it must own everything it reads and writes. What it throws otherwise is
// thrown again here.
bool withCancelBox(QWidget* parent, const QString& label, std::function<void()> work);

// Behind a window-modal box with a busy bar, `label` and "中止", which sets the flag the
// work is given; the work must then end soon. Returns once it has ended.
void behindStopBox(QWidget* parent, const QString& objectName, const QString& title,
                   const QString& label,
                   const std::function<void(const std::atomic<bool>& stop)>& work);

}  // namespace offthread
