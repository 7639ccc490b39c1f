// "返送メール取込…": what came back to the picked project's mailbox, into the opt-out list.
#include "dialogs/mailbox_dialog.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"

void TForm3::btnMailboxClick() {
    const auto project = groupProject();
    if (!project) return;
    MailboxDialog dialog(AppPath, *project, {Edit1->text(), txtSmtpId->text(), txtSmtpPwd->text()},
                         this);
    dialog.run();
}
