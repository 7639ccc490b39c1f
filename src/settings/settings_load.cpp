// Bringing the store onto the screen: the project list, a project, a group.
#include <sys/stat.h>

#include "settings/field_text.h"
#include "settings/group_count.h"
#include "settings/ini_keys.h"
#include "settings/integer_text.h"
#include "settings/settings_window.h"
#include "settings/typing_limit.h"
#include "settings/user_messages.h"
#include "shell/app_path.h"
#include "shell/message_box.h"
#include "store/comFunc.h"
#include "store/project_store.h"
#include "text/cp932.h"

void TForm3::FormShow() {
    const store::ProjectStore store(AppPath);
    const std::vector<std::string> projects = store.readProjectList();
    cmbProject->clear();
    for (const std::string& project : projects) addProjectEntry(project);
    cmbProject->setCurrentIndex(-1);
    txtProject->clear();
    clearData();
}

void TForm3::cmbProjectChange() {
    const int index = cmbProject->currentIndex();
    if (index < 0) return;
    setData(projectNameAt(index));
}

void TForm3::setData(const std::string& project) {
    if (!store::isAddressableProjectName(project)) return msgbox::warning(usermsg::kRefusedName);
    const store::ProjectStore store(AppPath);
    // What a write killed half-way left behind goes the next time the project is opened.
    store.removeStaleTemporaries(project);
    const IniKeys& k = iniKeys();
    const std::string ini = store.iniPath(project);
    auto read = [&](const std::string& key) { return fncIniRead(ini, k.section, key); };

    typinglimit::setLoadedText(Edit1, fieldtext::fromStore(read(k.server)));
    typinglimit::setLoadedText(Edit2, fieldtext::fromStore(read(k.client)));
    typinglimit::setLoadedText(Edit3, fieldtext::fromStore(read(k.senderAddress)));
    // An unknown type leaves the selection as it was.
    for (int i = 0; i < CmbSmtp->count(); ++i) {
        if (read(k.smtp) == CmbSmtp->itemText(i).toStdString()) CmbSmtp->setCurrentIndex(i);
    }
    typinglimit::setLoadedText(txtSmtpId, fieldtext::fromStore(read(k.smtpId)));
    typinglimit::setLoadedText(txtSmtpPwd, fieldtext::fromStore(read(k.smtpPwd)));
    typinglimit::setLoadedText(txtSmtpPort, fieldtext::fromStore(read(k.smtpPort)));
    typinglimit::setLoadedText(txtMailName, fieldtext::fromStore(read(k.senderName)));
    typinglimit::setLoadedText(
        txtPauseInterval,
        QString::fromStdString(integertext::normalizedOrZero(read(k.pauseInterval))));
    typinglimit::setLoadedText(
        txtPauseTime, QString::fromStdString(integertext::normalizedOrZero(read(k.pauseTime))));
    cmbSmtpHtml->setCurrentIndex(read(k.smtpHtml) == "1" ? 1 : 0);

    const std::string count = read(k.groupCount);
    heldGroupCount = count.empty() ? std::string("1") : count;
    cmbMailGroup->clear();
    const int groups = groupcount::parse(heldGroupCount).value_or(0);
    for (int n = 1; n <= groups; ++n) cmbMailGroup->addItem(QString::number(n));
    if (groups > 0) {
        cmbMailGroup->setCurrentIndex(0);
        showGroupName(store, project, 0);
        txtMailGroup->clear();
        showGroupContents(store, project, 0);
    } else {
        // A hand-edited count that names no group: show none rather than guess.
        txtMailGroup->clear();
        showNoGroup();
    }

    const bool auth = CmbSmtp->currentText() == QLatin1String("SMTP-AUTH");
    txtSmtpId->setEnabled(auth);
    txtSmtpPwd->setEnabled(auth);
}

void TForm3::cmbMailGroupChange() {
    const auto project = groupProject();
    if (!project) return;
    const int group = cmbMailGroup->currentIndex();
    if (group < 0)
        return msgbox::warning(QStringLiteral("表示するメールグループを選択してください。"));
    const store::ProjectStore store(AppPath);
    showGroupName(store, project.value(), group);
    showGroupContents(store, project.value(), group);
}

void TForm3::showGroupName(const store::ProjectStore& store, const std::string& project,
                           int group) {
    pnlMailGroup->setText(fieldtext::fromStore(store.readGroupName(project, group)));
}

namespace {

// The size of the list file, -1 when it is missing (then the read creates it, at once).
long long fileBytes(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0 ? (long long)info.st_size : -1;
}

}  // namespace

void TForm3::showGroupContents(const store::ProjectStore& store, const std::string& project,
                               int group) {
    const long long listBytes = fileBytes(store.listPath(project));
    if (listBytes >= 0 && std::size_t(listBytes) >= PlainTextField::backgroundLoadBytes()) {
        // Reading, converting and filling a large list stops the window for long: it is
        // done on a worker, and the field shows it only once it is whole.
        Memo1->loadUtf8TextInBackground([appPath = AppPath, project, group] {
            return fieldtext::utf8FromStore(
                store::ProjectStore(appPath).readRecipients(project, group));
        });
    } else {
        Memo1->clearText();
        // One statement per copy, so the file's bytes are gone before the field takes its own.
        const std::string recipients =
            fieldtext::utf8FromStore(store.readRecipients(project, group));
        Memo1->setUtf8Text(recipients);
    }
    txtMailSubject->clear();
    typinglimit::setLoadedText(txtMailSubject,
                               fieldtext::fromStore(store.readSubject(project, group)));
    txtMailBody->clearText();
    txtMailBody->setUtf8Text(fieldtext::utf8FromStore(store.readBody(project, group)));
}

void TForm3::showNoGroup() {
    pnlMailGroup->clear();
    Memo1->clearText();
    txtMailSubject->clear();
    txtMailBody->clearText();
}
