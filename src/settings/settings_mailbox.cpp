// "返送メール取込…": what came back to the picked project's mailbox, into the opt-out list.
#include "dialogs/mailbox_dialog.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "store/project_store.h"

void TForm3::btnMailboxClick() {
    if (cmbProject->currentIndex() < 0) return usermsg::warn(usermsg::kNoProject, cmbProject);
    const std::string project = currentProjectName();
    if (!store::isAddressableProjectName(project)) return usermsg::warn(usermsg::kRefusedName);
    MailboxDialog dialog(AppPath, project, {Edit1->text(), txtSmtpId->text(), txtSmtpPwd->text()},
                         this);
    dialog.run();
}
