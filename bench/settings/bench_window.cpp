#include "bench_window.h"

#include <QCoreApplication>
#include <cstdio>

#include "settings/settings_window.h"
#include "timing.h"

namespace bench {

void settle() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::processEvents();
}

void pickProject(TForm3& form, int index) {
    form.cmbProject->setCurrentIndex(index);
    emit form.cmbProject->activated(index);
    settle();
}

void pickGroup(TForm3& form, int group) {
    form.cmbMailGroup->setCurrentIndex(group);
    emit form.cmbMailGroup->activated(group);
    settle();
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
