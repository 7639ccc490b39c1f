#pragma once

#include <gtest/gtest.h>

#include <QString>

#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "support/scripted_boxes.h"
#include "support/temp_app_folder.h"

// A window action under the name a test's table shows.
struct NamedAction {
    const char* name;
    void (TForm3::*action)();
};

// A settings window over its own temporary application folder, boxes answered by script.
class SettingsWindowTest : public testing::Test {
protected:
    SettingsWindowTest();
    ~SettingsWindowTest() override;

    // Writes Mail/<project>/Fendrival.ini with the section and the given key=value lines
    // (UTF-8 in the test, CP932 on disk).
    void writeIni(const std::string& project,
                  const std::vector<std::pair<std::string, std::string>>& keys) const;
    void writeProjectFile(const std::string& project, const std::string& file,
                          const std::string& bytes) const;
    // Picks the entry the way a user does: the list's activated signal.
    void pick(QComboBox* list, int index) const;
    // Writes project.ini and runs the show handler.
    void showWith(const std::vector<std::string>& projectLines);

    // The window shown and active over the given project.ini, so focus moves can be seen.
    void showActive(const std::vector<std::string>& projectLines);
    // Shows the list and picks the entry, loading that project.
    void load(const std::vector<std::string>& projectLines, int index);
    // Every file and folder below the application folder with its bytes ("/" for a folder):
    // equal snapshots prove nothing was written, created or removed.
    std::map<std::string, std::string> snapshot() const;
    // The texts of the boxes shown so far.
    QStringList boxTexts() const;
    const shell::MessageBoxCall& lastBox() const;
    // Runs the action and expects one warning box whose text starts as given, and the
    // store exactly as before.
    void expectRefused(void (TForm3::*action)(), const char* warningStart);

    TempAppFolder app;
    ScriptedBoxes boxes;
    std::unique_ptr<TForm3> form;
};

std::string utf8(const QString& text);
