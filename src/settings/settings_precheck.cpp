// "送信前チェック…": what would keep the loaded project's mail from arriving, or break the
// law on advertising mail, judged from its fields as they stand and all its groups.
#include "dialogs/precheck_result_dialog.h"
#include "precheck/dns_client.h"
#include "precheck/precheck_run.h"
#include "recipients/optout_list.h"
#include "settings/group_count.h"
#include "settings/integer_text.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "store/project_store.h"

namespace {

// A pause field that is not a number counts as 0, as a load reads it.
std::int64_t pauseValue(const QLineEdit* field) {
    return integertext::parse(field->text().toStdString()).value_or(0);
}

}  // namespace

void TForm3::btnPrecheckClick() {
    if (cmbProject->currentIndex() < 0) return msgbox::warning(usermsg::kNoProject, cmbProject);
    const std::string project = currentProjectName();
    if (!store::isAddressableProjectName(project)) return msgbox::warning(usermsg::kRefusedName);

    precheck::SendingFields fields;
    fields.server = Edit1->text().trimmed().toStdString();
    fields.sender = Edit3->text().trimmed().toStdString();
    fields.senderName = txtMailName->text().trimmed().toStdString();
    fields.html = htmlChosen();
    fields.pauseInterval = pauseValue(txtPauseInterval);
    fields.pauseTime = pauseValue(txtPauseTime);
    // The group on the window is judged as typed; the others as stored.
    precheck::GroupBody shown;
    if (cmbMailGroup->currentIndex() >= 0)
        shown = {cmbMailGroup->currentIndex() + 1, pnlMailGroup->text().toStdString(),
                 txtMailBody->utf8Text()};
    const int groups = groupcount::parse(heldGroupCount).value_or(0);

    std::optional<std::vector<precheck::CheckItem>> items = offthread::wait(
        offthread::box(offthread::Cancel::Stop, this, QStringLiteral("PrecheckProgress"),
                       QStringLiteral("送信前チェック"),
                       QStringLiteral("送信元ドメインとDNS、宛先、本文を確認しています…"),
                       QStringLiteral("中止")),
        [&, appPath = AppPath](const offthread::Stop& stop) {
            const store::ProjectStore store(appPath);
            precheck::PrecheckInput input;
            input.fields = fields;
            input.groups = precheck::readGroupBodies(store, project, groups, shown);
            input.volume =
                precheck::projectVolume(store, project, recipients::loadOptOutList(store));
            const auto dns = precheck::DnsClient::fromEnvironment(&stop);
            return precheck::runChecks(input, *dns, stop);
        });
    if (!items) return;  // the user knows
    PrecheckResultDialog dialog(std::move(*items), this);
    dialog.showResult();
}
