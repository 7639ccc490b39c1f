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
#include "shell/start_window.h"
#include "store/project_store.h"

namespace {

void box(const char* text, int style) {
    TForm1::fncMessageBox(QString::fromUtf8(text), shell::kCaption, style);
}

}  // namespace

void TForm3::SpeedButton7Click() {
    if (cmbProject->currentIndex() < 0) {
        box("プロジェクト名を正しく指定してください。", shell::kStyleWarning);
        cmbProject->setFocus();
        return;
    }
    const std::string project = currentProjectName();
    if (!store::isAddressableProjectName(project)) {
        box("プロジェクト名に使用できない文字が入力されています。", shell::kStyleWarning);
        return;
    }
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
    if (found.lines > 0 &&
        TForm1::fncMessageBox(optoutquestion::beforeBatch(found), shell::kCaption,
                              shell::kStyleQuestion) != shell::kResultOk)
        return;
    std::optional<std::string> bat;
    offthread::holdingInput([&] {
        if (found.lines > 0) recipients::removeProjectOptOuts(store, project, optOuts);
        bat = sendrun::writeSendBatch(store, project);
    });
    if (!bat) {
        box("アプリケーションフォルダのパスに Shift-JIS で表せない文字があるため、"
            "バッチファイルを出力できません。",
            shell::kStyleWarning);
        return;
    }
    TForm1::fncMessageBox(QStringLiteral("送信実行用バッチファイル\r\n") +
                              QString::fromStdString(*bat) +
                              QStringLiteral("\r\nを保存しました。ダブルクリックにて実行し、"
                                             "送信をお試しください。"),
                          shell::kCaption, shell::kStyleInformation);
}

void TForm3::SpeedButton3Click() {
    const QString address = Edit4->text();
    if (address.isEmpty()) {
        box("最新のダウンロードサイトURIを指定してください。", shell::kStylePlain);
        return;
    }
    // The window stays usable while the browser opens; a second press nests a second check.
    // Nothing of this window is touched after the wait: it may have been closed meanwhile.
    sendrun::openAndWait(address.toStdString(), AppPath, [] { QCoreApplication::processEvents(); });
}
