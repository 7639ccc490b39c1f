// Mail group actions: adding a group, saving the shown group, deleting the last group.
#include <memory>

#include "recipients/optout_field.h"
#include "recipients/optout_reader.h"
#include "settings/combo_entries.h"
#include "settings/field_line_removal.h"
#include "settings/field_text.h"
#include "settings/group_count.h"
#include "settings/group_save_steps.h"
#include "settings/ini_keys.h"
#include "settings/loading_refusal.h"
#include "settings/optout_questions.h"
#include "settings/recipient_count_label.h"
#include "settings/recipient_refusal.h"
#include "settings/settings_window.h"
#include "settings/stored_text.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "shell/busy_cursor.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "store/typed_recipients.h"
#include "text/cp932.h"
#include "textfield/plain_text_field.h"

namespace {

const QString kBadCount = QStringLiteral(
    "メールグループ数（GROUPCOUNT）が正しくないため、メールグループを変更できません。"
    "プロジェクトを選択し直すか、Fendrival.ini を確認してください。");

}  // namespace

std::optional<std::string> TForm3::groupProject() {
    const std::string project = currentProjectName();
    if (cmbProject->currentIndex() < 0 || text::cp932::trim(project).empty()) {
        msgbox::warning(usermsg::kNoProject, cmbProject);
        return std::nullopt;
    }
    if (!store::isAddressableProjectName(project)) {
        msgbox::warning(usermsg::kRefusedName, cmbProject);
        return std::nullopt;
    }
    return project;
}

std::optional<int> TForm3::heldCountOrWarn() {
    const auto count = groupcount::parse(heldGroupCount);
    if (!count) msgbox::warning(kBadCount);
    return count;
}

void TForm3::SpeedButton4Click() {
    const auto project = groupProject();
    if (!project) return;
    if (txtMailGroup->text().isEmpty())
        return msgbox::warning(QStringLiteral("メールグループとして追加できません。"),
                               txtMailGroup);
    const auto typed = storedtext::fromField(txtMailGroup, QStringLiteral("メールグループ名"));
    if (!typed) return;
    const auto count = heldCountOrWarn();
    if (!count) return;
    if (*count >= groupcount::kMaxGroups)
        return msgbox::warning(QStringLiteral("メールグループはこれ以上追加できません。"));
    if (!msgbox::question(QStringLiteral("「") + txtMailGroup->text() +
                          QStringLiteral("」メールグループを追加します。よろしいですか？")))
        return;

    const int groups = *count + 1;
    heldGroupCount = std::to_string(groups);
    const store::ProjectStore store(AppPath);
    fncIniWrite(store.iniPath(*project), iniKeys().section, iniKeys().groupCount, heldGroupCount);
    store.writeGroupName(*project, groups - 1, text::cp932::trim(*typed));
    comboentries::append(cmbMailGroup, QString::number(groups));
    txtMailGroup->clear();
    msgbox::information(QStringLiteral("メールグループを追加しました。"));
}

void TForm3::SpeedButton5Click() {
    if (loadingrefusal::refuse(Memo1)) return;
    const auto project = groupProject();
    if (!project) return;
    const int group = cmbMailGroup->currentIndex();
    if (group < 0)
        return msgbox::warning(QStringLiteral("保存するメールグループを選択してください。"),
                               cmbMailGroup);
    const std::string number = std::to_string(group);
    const store::ProjectStore store(AppPath);
    // A million lines take a while to convert, check and look up: a job reads the field's
    // buffer in place, which is safe while the field is read-only and the user's input is
    // held back (the count label's timer only reads it); the questions come after.
    groupsave::Recipients prepared;
    {
        const bool readOnly = Memo1->isReadOnly();
        Memo1->setReadOnly(true);
        const std::string_view field = Memo1->utf8View();
        try {
            offthread::holdingInput([&] {
                prepared = groupsave::prepare(store, field, number, optoutquestion::kLinesNamed);
            });
        } catch (...) {
            Memo1->setReadOnly(readOnly);
            throw;
        }
        Memo1->setReadOnly(readOnly);
    }
    std::optional<std::string>& recipients = prepared.stored;
    const store::recipients::TypedLinesCheck& check = prepared.check;
    const ::recipients::FieldOptOuts& optedOut = prepared.optedOut;
    if (!recipients) return storedtext::refuseUnstorable(Memo1, QStringLiteral("ﾒｰﾙ送信先ﾘｽﾄ"));
    if (check.refused > 0) {
        msgbox::warning(recipientRefusalText(check), Memo1);
        Memo1->setCursorPosition(int(check.first.front().line), 0);
        return;
    }
    const auto subject = storedtext::fromField(txtMailSubject, QStringLiteral("ﾒｰﾙ件名"));
    if (!subject) return;
    const auto body = storedtext::fromField(txtMailBody, QStringLiteral("ﾒｰﾙ本文"));
    if (!body) return;
    const QString name = pnlMailGroup->text();
    if (optedOut.count > 0) {
        // No saving them anyway: OK takes them out of the field and saves.
        if (!msgbox::question(optoutquestion::beforeSave(optedOut))) return;
        removeFoundLines(Memo1, optedOut);
        lblRecipientCount->refresh();
    } else if (!msgbox::question(
                   QStringLiteral("「") + name +
                   QStringLiteral("」メールグループとして保存します。よろしいですか？"))) {
        return;
    }

    offthread::holdingInput([&] {
        ::recipients::removeFieldOptOuts(*recipients, optedOut);
        store.storeRecipients(*project, group, *recipients);
        recipients.reset();
        store.ensureProjectFolder(*project);
        store.writeSubject(*project, group, *subject);
        store.writeBody(*project, group, *body);
    });
    msgbox::information(QStringLiteral("「") + name +
                        QStringLiteral("」グループとしてメール送信先リスト、件名、メール本文を"
                                       "保存しました。"));
}

void TForm3::SpeedButton6Click() {
    const auto project = groupProject();
    if (!project) return;
    const auto count = heldCountOrWarn();
    if (!count) return;
    // "01" is one group too: the last group is never deleted.
    if (heldGroupCount == "1" || *count == 1)
        return msgbox::warning(QStringLiteral("メールグループをこれ以上削除できません。"));
    const int last = *count - 1;
    const store::ProjectStore store(AppPath);
    const QString name = fieldtext::fromStore(store.readGroupName(*project, last));
    if (!msgbox::question(QStringLiteral("一番最後のメールグループ「") + name +
                          QStringLiteral("」を削除します。よろしいですか？")))
        return;

    heldGroupCount = std::to_string(last);
    {
        BusyCursor busy;
        fncIniWrite(store.iniPath(*project), iniKeys().section, iniKeys().groupCount,
                    heldGroupCount);
    }
    // Rewriting a list.txt of millions of lines would stop the window: a worker does it.
    // The INI write stays here, as its failure box must come from the window's thread.
    offthread::holdingInput([&store, &project, last] {
        store.removeGroupFiles(*project, last);
        store.dropGroupRecipients(*project, last);
    });
    if (cmbMailGroup->count() > 0) {
        const int shown = cmbMailGroup->currentIndex();
        const int removed = cmbMailGroup->count() - 1;
        cmbMailGroup->removeItem(removed);
        // The deleted group may still be on screen; then no entry is chosen.
        cmbMailGroup->setCurrentIndex(shown == removed ? -1 : shown);
    }
    msgbox::plain(QStringLiteral("メールグループを削除しました。"));
}
