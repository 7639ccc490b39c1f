// Adding and deleting projects.
#include "settings/field_text.h"
#include "settings/settings_window.h"
#include "settings/stored_text.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "shell/message_box.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "store/store_error.h"
#include "store/text_file.h"
#include "text/cp932.h"

std::vector<std::string> TForm3::projectNames() const {
    std::vector<std::string> names;
    names.reserve(std::size_t(cmbProject->count()));
    for (int i = 0; i < cmbProject->count(); ++i) names.push_back(projectNameAt(i));
    return names;
}

void TForm3::SpeedButton2Click() {
    // A character Shift-JIS cannot hold is never a blank, so converting first keeps the order
    // of the checks for every name that can be stored.
    const auto typed = storedtext::fromField(txtProject, QStringLiteral("プロジェクト名"));
    if (!typed) return;
    const std::string name = text::cp932::trim(*typed);
    if (name.empty()) return msgbox::warning(usermsg::kNoProject, txtProject);
    if (!store::isAddressableProjectName(name))
        return msgbox::warning(usermsg::kRefusedName, txtProject);
    std::vector<std::string> names = projectNames();
    for (const std::string& listed : names) {
        if (text::cp932::trim(listed) == name) {
            return msgbox::warning(
                QStringLiteral("プロジェクト名は既に登録されています。設定値を入力し、"
                               "「更新」ボタンを押下して設定保存してください。"),
                txtProject);
        }
    }
    if (!msgbox::question(QStringLiteral("プロジェクトスペースを作成します。よろしいですか？")))
        return;

    addProjectEntry(name);
    names.push_back(name);
    const store::ProjectStore store(AppPath);
    store.writeProjectList(names);
    try {
        store.ensureProjectFolder(name);
    } catch (const store::StoreError&) {
        // Not reported here: writing the group name below fails and names its file.
    }
    store.writeGroupName(name, 0, name + text::cp932::fromUtf8("メールグループ").value());
    txtProject->clear();
    msgbox::information(
        QStringLiteral("プロジェクトスペースを作成しました。プロジェクト名リストから選択し、"
                       "設定を行ってください。設定記入後は「更新」ボタンを押下して、"
                       "保存してください。"));
}

void TForm3::SpeedButton9Click() {
    const std::string name = currentProjectName();
    const std::string shown = text::cp932::trim(name);
    if (shown.empty()) return msgbox::warning(usermsg::kNoProject, cmbProject);
    if (!store::isAddressableProjectName(name))
        return msgbox::warning(usermsg::kRefusedName, cmbProject);
    if (!msgbox::question(fieldtext::fromStore(shown) +
                          QStringLiteral("の設定内容を全て削除します。よろしいですか？")))
        return;

    const store::ProjectStore store(AppPath);
    const std::string folder = store.projectFolder(name);
    fncDeleteFolder(folder);
    std::vector<std::string> names = projectNames();
    for (int i = 0; i < int(names.size()); ++i) {
        if (names[std::size_t(i)] == name) {
            names.erase(names.begin() + i);
            cmbProject->removeItem(i);
            break;
        }
    }
    cmbProject->setCurrentIndex(-1);
    store.writeProjectList(names);
    if (store::textfile::folderExists(folder)) {
        // The folder holds the SMTP password in clear text: the user must know it is left.
        return msgbox::warning(
            QStringLiteral("プロジェクトを一覧から削除しましたが、フォルダ %1 "
                           "を完全には削除できませんでした。SMTPパスワードなどの設定が"
                           "残っています。手動で削除してください。")
                .arg(QString::fromStdString(folder)));
    }
    msgbox::information(QStringLiteral("削除しました"));
}
