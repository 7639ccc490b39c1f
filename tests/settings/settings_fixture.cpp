#include "settings_fixture.h"

#include <QApplication>
#include <filesystem>

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

void SettingsWindowTest::showActive(const std::vector<std::string>& projectLines) {
    std::string text;
    for (const std::string& line : projectLines) text += sj(line) + "\r\n";
    app.write("project.ini", text);
    form->show();
    QApplication::setActiveWindow(form.get());
}

void SettingsWindowTest::load(const std::vector<std::string>& projectLines, int index) {
    showActive(projectLines);
    pick(form->cmbProject, index);
    boxes.clear();
}

std::map<std::string, std::string> SettingsWindowTest::snapshot() const {
    namespace fs = std::filesystem;
    std::map<std::string, std::string> files;
    for (const auto& entry : fs::recursive_directory_iterator(app.path())) {
        const std::string relative = fs::relative(entry.path(), app.path()).string();
        files[relative] = entry.is_directory() ? std::string("/") : app.read(relative);
    }
    return files;
}

QStringList SettingsWindowTest::boxTexts() const {
    QStringList texts;
    for (const auto& call : boxes.calls()) texts << call.text;
    return texts;
}

const shell::MessageBoxCall& SettingsWindowTest::lastBox() const {
    static const shell::MessageBoxCall none;
    return boxes.calls().empty() ? none : boxes.calls().back();
}

void SettingsWindowTest::expectRefused(void (TForm3::*action)(), const char* warningStart) {
    boxes.clear();
    const auto before = snapshot();
    (form.get()->*action)();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(lastBox().text.startsWith(QString::fromUtf8(warningStart)))
        << lastBox().text.toStdString();
    EXPECT_EQ(lastBox().style, shell::kStyleWarning);
    EXPECT_EQ(lastBox().caption, shell::kCaption);
    EXPECT_EQ(snapshot(), before);
}

std::string utf8(const QString& text) {
    return text.toStdString();
}
