#pragma once

#include <QMessageBox>

namespace shell {

// Sets buttons, icon, default and escape button of a box from a Windows style word:
// low nibble buttons (0 OK, 1 OK and Cancel), next nibble icon, 0x100 the second button
// as default. Escape and the close box give Cancel when there is one, else OK.
void configureMessageBox(QMessageBox& box, int style);

}  // namespace shell
