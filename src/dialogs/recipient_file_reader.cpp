#include "dialogs/recipient_file_reader.h"

#include <QFileInfo>
#include <memory>

#include "shell/off_thread.h"

namespace recipientfile {

std::optional<recipients::ImportResult> read(QWidget* parent, const QString& path,
                                             std::string field,
                                             const recipients::OptOutList* optOuts) {
    const std::string localPath = QFile::encodeName(path).toStdString();
    recipients::ImportProgress progress;
    recipients::ImportResult result;
    // A short read holds the user's input back until it is done; a long one takes it
    // only through the window-modal progress box, whose キャンセル stops the import.
    offthread::Wait how;
    if (QFileInfo(path).size() >= kProgressFrom) {
        how = offthread::box(
            offthread::Cancel::Stop, parent, QString(), QStringLiteral("ZELMonitor"),
            QStringLiteral("「%1」を読み込んでいます…").arg(QFileInfo(path).fileName()),
            QStringLiteral("キャンセル"));
        how.permille = &progress.permille;
    }
    how.stop = &progress.cancel;  // a quit stops it too
    // The import, the field and the list are waited for: they are borrowed, not copied.
    offthread::wait(how, [&](const offthread::Stop&) {
        result = recipients::importRecipients(localPath, field, &progress, optOuts);
    });
    if (result.status == recipients::ImportStatus::Cancelled) return std::nullopt;
    return result;
}

}  // namespace recipientfile
