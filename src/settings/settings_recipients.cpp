// The recipient list's own tools: reading recipients from a file, and checking the list.
// Both only change the field; the group is stored by its save button as before. Both
// load the opt-out list first: one that cannot be read stops them, never passes as empty.
#include <QFileDialog>

#include "dialogs/busy_cursor.h"
#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_import_flow.h"
#include "dialogs/recipient_texts.h"
#include "recipients/field_check.h"
#include "recipients/optout_field.h"
#include "recipients/optout_list.h"
#include "settings/recipient_count_label.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "store/project_store.h"

namespace {

bool endsWithLineEnd(const std::string& text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// Puts LF-ended addresses into the field, as its last lines or as all of it.
void putRecipients(PlainTextField* field, std::string text, bool replace) {
    if (endsWithLineEnd(text)) text.pop_back();
    const long length = field->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    if (replace || length == 0) return field->setUtf8Text(text);
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
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("宛先ファイルを開く"), QString(),
        QStringLiteral("CSV・テキストファイル (*.csv *.txt *.tsv);;すべてのファイル (*)"));
    if (!path.isEmpty()) importRecipientsFrom(path);
}

void TForm3::importRecipientsFrom(const QString& path) {
    const recipients::OptOutList optOuts = recipients::loadOptOutList(store::ProjectStore(AppPath));
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
    const recipients::OptOutList optOuts = recipients::loadOptOutList(store::ProjectStore(AppPath));
    recipients::FieldCheck check;
    {
        BusyCursor busy;
        check = recipients::checkField(Memo1->utf8Text(), optOuts);
    }
    if (check.problems == 0)
        return usermsg::inform(QStringLiteral("宛先に問題は見つかりませんでした。（") +
                               recipienttext::number(check.addresses) + QStringLiteral("件）"));

    RecipientCheckDialog dialog(check, this);
    switch (dialog.ask()) {
        case RecipientCheckDialog::Choice::RemoveDuplicates: {
            const std::string before = Memo1->utf8Text();
            std::string after = recipients::withoutDuplicateLines(before);
            if (!endsWithLineEnd(before) && endsWithLineEnd(after)) after.pop_back();
            Memo1->setUtf8Text(after);
            lblRecipientCount->refresh();
            usermsg::inform(
                QStringLiteral("重複していた") + recipienttext::number(check.duplicates) +
                QStringLiteral("行を削除しました。"
                               "保存するには「ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新」を押してください。"));
            break;
        }
        case RecipientCheckDialog::Choice::ConvertFullWidth: {
            const std::string before = Memo1->utf8Text();
            std::size_t converted = 0;
            std::string after = recipients::withHalfWidthLines(before, &converted);
            if (!endsWithLineEnd(before) && endsWithLineEnd(after)) after.pop_back();
            Memo1->setUtf8Text(after);
            lblRecipientCount->refresh();
            usermsg::inform(QStringLiteral("全角を半角に直しました: ") +
                            recipienttext::number(converted) +
                            QStringLiteral("件\n保存するには「ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新」を"
                                           "押してください。"));
            break;
        }
        case RecipientCheckDialog::Choice::RemoveOptedOut: {
            std::string field = Memo1->utf8Text();
            const bool ended = endsWithLineEnd(field);
            const auto found = recipients::findFieldOptOuts(field, optOuts, 0);
            recipients::removeFieldOptOuts(field, found);
            // The last line gone leaves the one before with its line end: drop it, as typed.
            if (!ended && endsWithLineEnd(field)) {
                const char last = field.back();
                field.pop_back();
                if (last == '\n' && !field.empty() && field.back() == '\r') field.pop_back();
            }
            Memo1->setUtf8Text(field);
            lblRecipientCount->refresh();
            usermsg::inform(
                recipienttext::optedOut() + QStringLiteral("を") +
                recipienttext::number(found.count) +
                QStringLiteral("行削除しました。"
                               "保存するには「ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新」を押してください。"));
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
