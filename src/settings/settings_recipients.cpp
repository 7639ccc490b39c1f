// The recipient list's own tools: reading recipients from a file, and checking the list.
// Both only change the field; the group is stored by its save button as before. Both
// load the opt-out list first: one that cannot be read stops them, never passes as empty.
#include <QFileDialog>
#include <memory>

#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_import_flow.h"
#include "dialogs/recipient_texts.h"
#include "recipients/field_check.h"
#include "recipients/field_lines.h"
#include "recipients/optout_field.h"
#include "recipients/optout_reader.h"
#include "settings/field_line_removal.h"
#include "settings/loading_refusal.h"
#include "settings/recipient_count_label.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/busy_cursor.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "store/project_store.h"

namespace {

const QString kSaveReminder =
    QStringLiteral("保存するには「ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新」を押してください。");

// Lists this large check behind a box that can cancel; smaller ones under the wait cursor.
constexpr std::size_t kCheckBoxFrom = 4 * 1024 * 1024;

// Puts LF-ended addresses into the field, as its last lines or as all of it.
void putRecipients(PlainTextField* field, std::string text, bool replace) {
    if (recipients::endsWithLineEnd(text)) text.pop_back();
    const long length = field->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    if (replace || length == 0) return field->replaceUtf8Text(std::move(text));
    const auto last = char(field->SendScintilla(QsciScintilla::SCI_GETCHARAT, length - 1));
    if (last != '\n' && last != '\r') text.insert(text.begin(), '\n');
    const int firstNew = field->lines();
    // Like a load, the append keeps no undo copy: a million addresses would double it.
    field->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 0L);
    field->SendScintilla(QsciScintilla::SCI_APPENDTEXT, static_cast<unsigned long>(text.size()),
                         text.c_str());
    field->SendScintilla(QsciScintilla::SCI_EMPTYUNDOBUFFER);
    field->SendScintilla(QsciScintilla::SCI_SETUNDOCOLLECTION, 1L);
    field->setCursorPosition(last == '\n' || last == '\r' ? firstNew - 1 : firstNew, 0);
}

}  // namespace

void TForm3::btnImportClick() {
    if (loadingrefusal::refuse(Memo1)) return;
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("宛先ファイルを開く"), QString(),
        QStringLiteral("CSV・テキストファイル (*.csv *.txt *.tsv);;すべてのファイル (*)"));
    if (!path.isEmpty()) importRecipientsFrom(path);
}

void TForm3::importRecipientsFrom(const QString& path) {
    if (loadingrefusal::refuse(Memo1)) return;
    // A large list takes a moment to read; one that cannot be read stops the import.
    const recipients::OptOutList optOuts = offthread::holdingInput(
        [appPath = AppPath] { return recipients::loadOptOutList(store::ProjectStore(appPath)); });
    auto chosen = recipientimport::ask(this, path, Memo1->utf8Text(), &optOuts);
    if (!chosen) return;
    {
        BusyCursor busy;
        putRecipients(Memo1, std::move(chosen->text), chosen->replace);
    }
    lblRecipientCount->refresh();
    Memo1->setFocus();
}

void TForm3::btnCheckRecipientsClick() {
    if (loadingrefusal::refuse(Memo1)) return;
    // The job reads its own copy: after a cancel it runs on while the field changes.
    struct Checked {
        std::string text;
        recipients::OptOutList optOuts;
        recipients::FieldCheck check;
    };
    auto checked = std::make_shared<Checked>();
    checked->text = Memo1->utf8Text();
    const auto work = [checked, appPath = AppPath] {
        // One that cannot be read stops the check: never taken as empty.
        checked->optOuts = recipients::loadOptOutList(store::ProjectStore(appPath));
        checked->check = recipients::checkField(checked->text, checked->optOuts);
    };
    if (checked->text.size() < kCheckBoxFrom)
        offthread::holdingInput(work);
    else if (!offthread::wait(
                 offthread::box(offthread::Cancel::Drop, this, QStringLiteral("offThreadProgress"),
                                shell::kCaption, QStringLiteral("宛先を確認しています…"),
                                QStringLiteral("キャンセル")),
                 [work](const offthread::Stop&) { work(); }))
        return;  // a cancelled check shows nothing: its half-made result is no all-clear
    const std::string& before = checked->text;
    const recipients::FieldCheck& check = checked->check;
    if (check.problems == 0)
        return msgbox::information(QStringLiteral("宛先に問題は見つかりませんでした。（") +
                                   recipienttext::number(check.addresses) + QStringLiteral("件）"));

    RecipientCheckDialog dialog(check, this);
    switch (dialog.ask()) {
        case RecipientCheckDialog::Choice::RemoveDuplicates: {
            std::string after;
            offthread::holdingInput([&] { after = recipients::withoutDuplicateLines(before); });
            recipients::keepFinalLineEnd(recipients::endsWithLineEnd(before), after);
            Memo1->replaceUtf8Text(std::move(after));
            lblRecipientCount->refresh();
            msgbox::information(QStringLiteral("重複していた") +
                                recipienttext::number(check.duplicates) +
                                QStringLiteral("行を削除しました。") + kSaveReminder);
            break;
        }
        case RecipientCheckDialog::Choice::ConvertFullWidth: {
            std::size_t converted = 0;
            std::string after;
            offthread::holdingInput(
                [&] { after = recipients::withHalfWidthLines(before, &converted); });
            recipients::keepFinalLineEnd(recipients::endsWithLineEnd(before), after);
            Memo1->replaceUtf8Text(std::move(after));
            lblRecipientCount->refresh();
            msgbox::information(QStringLiteral("全角を半角に直しました: ") +
                                recipienttext::number(converted) + QStringLiteral("件\n") +
                                kSaveReminder);
            break;
        }
        case RecipientCheckDialog::Choice::RemoveOptedOut: {
            recipients::FieldOptOuts found;
            offthread::holdingInput(
                [&] { found = recipients::findFieldOptOuts(before, checked->optOuts, 0); });
            removeFoundLines(Memo1, found);
            lblRecipientCount->refresh();
            msgbox::information(recipienttext::optedOut() + QStringLiteral("を") +
                                recipienttext::number(found.count) +
                                QStringLiteral("行削除しました。") + kSaveReminder);
            break;
        }
        case RecipientCheckDialog::Choice::GoToLine: {
            const int line = int(dialog.chosenLine()) - 1;
            Memo1->setFocus();
            Memo1->setCursorPosition(line, 0);
            Memo1->ensureLineVisible(line);
            break;
        }
        case RecipientCheckDialog::Choice::Close:
            break;
    }
}
