// From settings to sending: the send batch file and the Java runtime check.
#include <QCoreApplication>

#include "recipients/optout_gate.h"
#include "recipients/optout_reader.h"
#include "sendrun/runtime_check.h"
#include "sendrun/send_batch.h"
#include "settings/optout_questions.h"
#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/message_box.h"
#include "shell/off_thread.h"
#include "store/project_store.h"

void TForm3::SpeedButton7Click() {
    const auto chosen = groupProject();
    if (!chosen) return;
    const std::string& project = *chosen;
    const store::ProjectStore store(AppPath);
    // The last gate before a run: no opted-out address stays in the project's list. A
    // million lines take a while to look up and rewrite: a worker does it, the question
    // comes between.
    recipients::OptOutList optOuts;
    recipients::ListOptOuts found;
    offthread::holdingInput([&] {
        optOuts = recipients::loadOptOutList(store);
        if (!optOuts.empty()) found = recipients::findProjectOptOuts(store, project, optOuts);
    });
    if (found.lines > 0 && !msgbox::question(optoutquestion::beforeBatch(found))) return;
    std::optional<std::string> bat;
    offthread::holdingInput([&] {
        if (found.lines > 0) recipients::removeProjectOptOuts(store, project, optOuts);
        bat = sendrun::writeSendBatch(store, project);
    });
    if (!bat)
        return msgbox::warning(
            QStringLiteral("アプリケーションフォルダのパスに Shift-JIS で表せない文字があるため、"
                           "バッチファイルを出力できません。"));
    msgbox::information(QStringLiteral("送信実行用バッチファイル\r\n") +
                        QString::fromStdString(*bat) +
                        QStringLiteral("\r\nを保存しました。ダブルクリックにて実行し、"
                                       "送信をお試しください。"));
}

void TForm3::SpeedButton3Click() {
    const QString address = Edit4->text();
    if (address.isEmpty())
        return msgbox::plain(QStringLiteral("最新のダウンロードサイトURIを指定してください。"));
    // The window stays usable while the browser opens; a second press nests a second check.
    // Nothing of this window is touched after the wait: it may have been closed meanwhile.
    sendrun::openAndWait(address.toStdString(), AppPath, [] { QCoreApplication::processEvents(); });
}
