// The opt-out list and its gates: the addresses no project may mail win over every list
// the window builds or writes.
#include "dialogs/optout_dialog.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "store/project_store.h"

void TForm3::btnOptOutClick() {
    // Reading it may throw: an unreadable list is reported, never shown as empty.
    OptOutDialog dialog(store::ProjectStore(AppPath).optOutPath(), this);
    dialog.run();
}
