#include "dialogs/recipient_import_flow.h"

#include <QDir>

#include "dialogs/recipient_file_reader.h"
#include "dialogs/recipient_report_dialog.h"
#include "shell/busy_cursor.h"
#include "shell/message_box.h"

namespace recipientimport {

namespace {

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

std::optional<Chosen> ask(QWidget* parent, const QString& path, std::string list,
                          const recipients::OptOutList* optOuts) {
    auto result = recipientfile::read(parent, path, std::move(list), optOuts);
    if (!result) return std::nullopt;  // cancelled while reading
    if (result->status != recipients::ImportStatus::Done) {
        msgbox::warning(unreadableText(*result, path));
        return std::nullopt;
    }
    RecipientReportDialog report(*result, QDir::toNativeSeparators(path), parent);
    const auto choice = report.ask();
    if (choice == RecipientReportDialog::Choice::Cancel) return std::nullopt;
    BusyCursor busy;
    Chosen chosen;
    chosen.replace = choice == RecipientReportDialog::Choice::Replace;
    chosen.text = result->takeText(chosen.replace);
    return chosen;
}

}  // namespace recipientimport
