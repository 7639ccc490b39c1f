#include "shell/message_box_style.h"

#include <QPushButton>

namespace shell {

namespace {
QMessageBox::Icon iconFor(int style) {
    switch (style & 0xF0) {
        case 0x10:
            return QMessageBox::Critical;
        case 0x20:
            return QMessageBox::Question;
        case 0x30:
            return QMessageBox::Warning;
        case 0x40:
            return QMessageBox::Information;
        default:
            return QMessageBox::NoIcon;
    }
}
}  // namespace

void configureMessageBox(QMessageBox& box, int style) {
    box.setIcon(iconFor(style));
    bool withCancel = (style & 0x0F) == 0x01;
    if (withCancel) {
        box.setStandardButtons(QMessageBox::Ok | QMessageBox::Cancel);
        bool secondIsDefault = (style & 0xF00) == 0x100;
        box.setDefaultButton(secondIsDefault ? QMessageBox::Cancel : QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Cancel);
    } else {
        box.setStandardButtons(QMessageBox::Ok);
        box.setDefaultButton(QMessageBox::Ok);
        box.setEscapeButton(QMessageBox::Ok);
    }
}

}  // namespace shell
