#include "settings_fixture.h"

#include <QApplication>

#include "shell/app_path.h"
#include "store/comFunc.h"

SettingsWindowTest::SettingsWindowTest() {
    AppPath = app.path();
    store::setIniRetryWait([] {});
    form = std::make_unique<TForm3>();
}

SettingsWindowTest::~SettingsWindowTest() {
    form.reset();
    store::resetIniRetryWait();
}

void SettingsWindowTest::writeIni(
    const std::string& project,
    const std::vector<std::pair<std::string, std::string>>& keys) const {
    std::string text = sj("[メール同報システム]") + "\r\n";
    for (const auto& [key, value] : keys) text += sj(key) + "=" + sj(value) + "\r\n";
    text += "\r\n";
    app.write("Mail/" + project + "/Fendrival.ini", text);
}

void SettingsWindowTest::writeProjectFile(const std::string& project, const std::string& file,
                                          const std::string& bytes) const {
    app.write("Mail/" + project + "/" + file, bytes);
}

void SettingsWindowTest::pick(QComboBox* list, int index) const {
    list->setCurrentIndex(index);
    emit list->activated(index);
}

void SettingsWindowTest::showWith(const std::vector<std::string>& projectLines) {
    std::string text;
    for (const std::string& line : projectLines) text += sj(line) + "\r\n";
    app.write("project.ini", text);
    form->FormShow();
}

std::string utf8(const QString& text) {
    return text.toStdString();
}
