#include "bench_window.h"

#include <QCoreApplication>

#include "settings/settings_window.h"

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

}  // namespace bench
