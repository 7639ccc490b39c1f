// The recipient list's own tools: reading recipients from a file, and checking the list.
// Both only change the field; the group is stored by its save button as before.
#include <QDir>
#include <QFileDialog>

#include "dialogs/busy_cursor.h"
#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_file_reader.h"
#include "dialogs/recipient_report_dialog.h"
#include "dialogs/recipient_texts.h"
#include "recipients/field_check.h"
#include "settings/recipient_count_label.h"
#include "settings/settings_window.h"
#include "settings/user_messages.h"

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

QString unreadableText(const recipients::ImportResult& result, const QString& path) {
    const QString file =
        QStringLiteral("「") + QDir::toNativeSeparators(path) + QStringLiteral("」");
    switch (result.status) {
        case recipients::ImportStatus::NotText:
            return QStringLiteral("ファイル") + file +
                   QStringLiteral(
                       "はテキストファイルではありません。"
                       "CSVまたはテキスト形式で保存したファイルを選んでください。");
        case recipients::ImportStatus::UnknownEncoding:
            return QStringLiteral("ファイル") + file +
                   QStringLiteral(
                       "の文字コードを判別できません。UTF-8、Shift-JIS、EUC-JP、"
                       "UTF-16のいずれかで保存したファイルを選んでください。");
        default:
            return QStringLiteral("ファイル") + file + QStringLiteral("を読み込めません。\n") +
                   QString::fromLocal8Bit(result.systemError.c_str());
    }
}

}  // namespace

void TForm3::btnImportClick() {
    const QString path = QFileDialog::getOpenFileName(
        this, QStringLiteral("宛先ファイルを開く"), QString(),
        QStringLiteral("CSV・テキストファイル (*.csv *.txt *.tsv);;すべてのファイル (*)"));
    if (!path.isEmpty()) importRecipientsFrom(path);
}

void TForm3::importRecipientsFrom(const QString& path) {
    auto result = recipientfile::read(this, path, Memo1->utf8Text());
    if (!result) return;  // cancelled while reading
    if (result->status != recipients::ImportStatus::Done)
        return usermsg::warn(unreadableText(*result, path));

    RecipientReportDialog report(*result, QDir::toNativeSeparators(path), this);
    const auto choice = report.ask();
    if (choice == RecipientReportDialog::Choice::Cancel) return;
    {
        BusyCursor busy;
        const bool replace = choice == RecipientReportDialog::Choice::Replace;
        putRecipients(Memo1, result->takeText(replace), replace);
    }
    lblRecipientCount->refresh();
    Memo1->setFocus();
}

void TForm3::btnCheckRecipientsClick() {
    recipients::FieldCheck check;
    {
        BusyCursor busy;
        check = recipients::checkField(Memo1->utf8Text());
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
