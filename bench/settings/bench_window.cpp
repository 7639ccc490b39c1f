#include "bench_window.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <cstdio>
#include <stdexcept>

#include "settings/settings_window.h"
#include "timing.h"

namespace bench {

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void waitForRecipients(TForm3& form) {
    QElapsedTimer waited;
    waited.start();
    while (form.Memo1->isLoading()) {
        if (waited.elapsed() > 120000) throw std::runtime_error("the recipients never loaded");
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents, 50);
    }
    settle();
}

void pickProject(TForm3& form, int index) {
    form.cmbProject->setCurrentIndex(index);
    emit form.cmbProject->activated(index);
    waitForRecipients(form);
}

void pickGroup(TForm3& form, int group) {
    form.cmbMailGroup->setCurrentIndex(group);
    emit form.cmbMailGroup->activated(group);
    waitForRecipients(form);
}

double timedProjectLoad(TForm3& form, int index, long recipients) {
    const benchstore::Stopwatch watch;
    pickProject(form, index);
    const double millis = watch.seconds() * 1000.0;
    if (form.Memo1->lines() != recipients) {
        std::fprintf(stderr, "the field holds %d lines, not %ld\n", form.Memo1->lines(),
                     recipients);
        return -1;
    }
    return millis;
}

}  // namespace bench
