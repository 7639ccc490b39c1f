#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "settings_fixture.h"
#include "shell/app_path.h"

namespace {

const QString kSaved =
    QStringLiteral("を保存しました。ダブルクリックにて実行し、送信をお試しください。");

// The batch button over a project list, the entry chosen without loading the project:
// the action reads nothing but the list's choice.
class SendBatchActionTest : public SettingsWindowTest {
protected:
    // The application folder may be a subfolder of the test's, for cases that each need
    // a store of their own.
    void choose(const std::vector<std::string>& projects, int index,
                const std::string& subfolder = "") {
        std::string text;
        for (const std::string& p : projects) text += sj(p) + "\r\n";
        app.write(subfolder + "project.ini", text);
        AppPath = app.path() + subfolder;
        form->FormShow();
        form->cmbProject->setCurrentIndex(index);
        boxes.clear();
    }
    std::string line(const std::string& project) const {
        const std::string& d = app.path();
        return "java -cp " + d + " -cp " + d + ";" + d + "mail.jar fendrival " + d + " " +
               sj(project) + "\r\n";
    }
    QString saved(const std::string& project) const {
        return QStringLiteral("送信実行用バッチファイル\r\n") +
               QString::fromStdString(app.path() + "BAT/" + project + ".bat") +
               QStringLiteral("\r\n") + kSaved;
    }
};

TEST_F(SendBatchActionTest, WritesTheLineAndLauncherForTheChosenProjectAndSaysWhere) {
    const std::vector<std::string> projects = {"abc", "spring sale", "表示テスト"};
    for (int i = 0; i < int(projects.size()); ++i) {
        const std::string& p = projects[i];
        choose(projects, i);
        form->SpeedButton7->click();

        ASSERT_EQ(boxes.calls().size(), 1u) << p;
        EXPECT_EQ(boxes.calls()[0].text, saved(p));
        EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("ZELMonitor"));
        EXPECT_EQ(boxes.calls()[0].style, 0x40);
        EXPECT_EQ(app.read("BAT/" + p + ".bat"), line(p));
        EXPECT_EQ(app.mode("BAT/" + p + ".sh"), 0700u) << p;
    }
    // Nothing but the two files per project; the project's own files are not looked at.
    EXPECT_FALSE(app.exists("Mail"));
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(app.file("BAT"))) {
        (void)entry;
        ++files;
    }
    EXPECT_EQ(files, 6);
}

TEST_F(SendBatchActionTest, CreatesTheFolderAndReplacesTheFileOnTheNextPress) {
    choose({"abc"}, 0);
    ASSERT_FALSE(app.exists("BAT"));
    form->SpeedButton7->click();
    EXPECT_EQ(app.mode("BAT"), 0700u);
    app.write("BAT/abc.bat", "a longer text written by hand, which the next press replaces\r\n");

    form->SpeedButton7->click();

    EXPECT_EQ(app.read("BAT/abc.bat"), line("abc"));
    ASSERT_EQ(boxes.calls().size(), 2u);
    EXPECT_EQ(boxes.calls()[1].text, saved("abc"));
}

TEST_F(SendBatchActionTest, NoChosenProjectWarnsFocusesTheListAndWritesNothing) {
    showWith({"abc"});
    form->show();
    QApplication::setActiveWindow(form.get());
    form->Edit1->setFocus();
    form->cmbProject->setCurrentIndex(-1);
    boxes.clear();

    form->SpeedButton7->click();

    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text, QStringLiteral("プロジェクト名を正しく指定してください。"));
    EXPECT_EQ(boxes.calls()[0].style, 0x30);
    EXPECT_EQ(QApplication::focusWidget(), form->cmbProject);
    EXPECT_FALSE(app.exists("BAT"));
}

TEST_F(SendBatchActionTest, NamesThatCannotAddressAFileAreRefusedWithoutWriting) {
    // Hand-edited lines of project.ini: an empty line, full stops, a way out of BAT/.
    const std::vector<std::string> lines = {"", "..", "../x", "a/b"};
    for (int i = 0; i < int(lines.size()); ++i) {
        choose(lines, i);
        form->SpeedButton7->click();
        ASSERT_EQ(boxes.calls().size(), 1u) << lines[i];
        EXPECT_EQ(boxes.calls()[0].text,
                  QStringLiteral("プロジェクト名に使用できない文字が入力されています。"));
        EXPECT_EQ(boxes.calls()[0].style, 0x30);
    }
    EXPECT_FALSE(app.exists("BAT"));
    EXPECT_FALSE(app.exists("x.bat"));
    EXPECT_FALSE(app.exists("x.sh"));
    EXPECT_FALSE(app.exists(".bat"));
}

TEST_F(SendBatchActionTest, FileThatCannotBeWrittenReachesTheErrorReportAndNothingElse) {
    const struct {
        std::string folder;
        void (*arrange)(const TempAppFolder&, const std::string&);
    } cases[] = {
        {"bat-is-a-file/",
         [](const TempAppFolder& a, const std::string& f) { a.write(f + "BAT", "x"); }},
        {"read-only-batch-file/",
         [](const TempAppFolder& a, const std::string& f) {
             a.write(f + "BAT/abc.bat", "old");
             a.setMode(f + "BAT/abc.bat", 0444);
         }},
    };
    for (const auto& c : cases) {
        c.arrange(app, c.folder);
        choose({"abc"}, 0, c.folder);
        form->SpeedButton7->click();

        ASSERT_EQ(boxes.calls().size(), 1u) << c.folder;
        EXPECT_EQ(boxes.calls()[0].text,
                  QString::fromStdString("ファイル " + app.path() + c.folder +
                                         "BAT/abc.bat を作成できません."));
        EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("Fendrival Setup"));
        EXPECT_EQ(boxes.calls()[0].style, 0x10);
        EXPECT_FALSE(app.exists(c.folder + "BAT/abc.sh")) << c.folder;
    }
}

TEST_F(SendBatchActionTest, FolderThatShiftJisCannotNameIsRefusedWithoutWriting) {
    choose({"abc"}, 0, "café/");
    form->SpeedButton7->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].style, 0x30);
    EXPECT_TRUE(boxes.calls()[0].text.contains(QStringLiteral("バッチファイルを出力できません")));
    EXPECT_FALSE(app.exists("café/BAT"));
}

// The check button with a stand-in opener first on PATH. Each call records its arguments
// and current folder, appends "start" and "end" lines to a log, and sleeps for the
// seconds in the file "delay" between them.
class RuntimeCheckActionTest : public SettingsWindowTest {
protected:
    RuntimeCheckActionTest() {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "/usr/bin:/bin";
        std::string folder = bin.path();
        folder.pop_back();
        ::setenv("PATH", (folder + ":" + savedPath_).c_str(), 1);
        bin.write("xdg-open",
                  "#!/bin/sh\nPATH=/usr/bin:/bin\n"
                  "printf '%s\\0' \"$(pwd -P)\" \"$#\" \"$@\" > '" +
                      bin.file("call") +
                      "'\n"
                      "echo start >> '" +
                      bin.file("log") +
                      "'\n"
                      "sleep \"$(cat '" +
                      bin.file("delay") +
                      "')\"\n"
                      "echo end >> '" +
                      bin.file("log") + "'\n");
        bin.setMode("xdg-open", 0755);
        delay("0");
    }
    ~RuntimeCheckActionTest() override { ::setenv("PATH", savedPath_.c_str(), 1); }

    void delay(const char* seconds) const { bin.write("delay", seconds); }
    std::string log() const { return bin.exists("log") ? bin.read("log") : std::string(); }
    std::vector<std::string> call() const {
        const std::string bytes = bin.read("call");
        std::vector<std::string> fields;
        for (std::size_t s = 0, nul; (nul = bytes.find('\0', s)) != std::string::npos; s = nul + 1)
            fields.push_back(bytes.substr(s, nul - s));
        return fields;
    }
    // Runs the action at the given moment during the press that follows.
    void during(int ms, std::function<void()> action) const {
        QTimer::singleShot(ms, form.get(), std::move(action));
    }

    TempAppFolder bin;

private:
    std::string savedPath_;
};

TEST_F(RuntimeCheckActionTest, EmptyAddressAsksForOneAndStartsNothing) {
    form->Edit4->clear();
    form->SpeedButton3->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].text,
              QStringLiteral("最新のダウンロードサイトURIを指定してください。"));
    EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("ZELMonitor"));
    EXPECT_EQ(boxes.calls()[0].style, 0);
    EXPECT_EQ(log(), "");
}

TEST_F(RuntimeCheckActionTest, TextReachesTheOpenerAsTypedAsOneArgumentInTheAppFolder) {
    const std::string folder = std::filesystem::canonical(app.path()).string();
    EXPECT_EQ(form->Edit4->text(),
              QStringLiteral("https://www.java.com/ja/download/installed.jsp"));
    for (const QString& text : {form->Edit4->text(), QStringLiteral("   "),
                                QStringLiteral(" https://example.com/a b  c 表 ")}) {
        form->Edit4->setText(text);
        form->SpeedButton3->click();
        EXPECT_EQ(call(), (std::vector<std::string>{folder, "1", text.toStdString()}));
    }
    EXPECT_EQ(log(), "start\nend\nstart\nend\nstart\nend\n");
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(RuntimeCheckActionTest, WindowTakesInputWhileTheOpenerRuns) {
    delay("1.5");
    form->show();
    std::string logWhileTyping = "not run";
    during(700, [&] {
        QTest::keyClicks(form->txtProject, QStringLiteral("typed"));
        logWhileTyping = log();
    });
    form->SpeedButton3->click();
    EXPECT_EQ(logWhileTyping, "start\n");
    EXPECT_EQ(form->txtProject->text(), QStringLiteral("typed"));
    EXPECT_EQ(log(), "start\nend\n");  // returned only after the opener ended
}

TEST_F(RuntimeCheckActionTest, SecondPressRunsANestedCheckAndTheFirstWaitsOn) {
    delay("1.5");
    form->show();
    std::string logAfterNested;
    during(700, [&] {
        delay("0");
        form->SpeedButton3->click();
        logAfterNested = log();
    });
    form->SpeedButton3->click();
    // The second opener started and ended inside the first one's wait.
    EXPECT_EQ(logAfterNested, "start\nstart\nend\n");
    EXPECT_EQ(log(), "start\nstart\nend\nend\n");
}

TEST_F(RuntimeCheckActionTest, ClosingDuringTheWaitEndsTheActionOnlyAfterTheOpener) {
    delay("1.5");
    form->show();
    bool hiddenWhileRunning = false;
    during(700, [&] {
        form->close();  // the closing question is answered with OK
        hiddenWhileRunning = !form->isVisible() && log() == "start\n";
    });
    form->SpeedButton3->click();
    EXPECT_TRUE(hiddenWhileRunning);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].style, 0x131);
    EXPECT_EQ(log(), "start\nend\n");
}

TEST_F(RuntimeCheckActionTest, OpenerThatCannotStartEndsTheActionSilently) {
    std::string folder = bin.path();
    folder.pop_back();
    ::setenv("PATH", folder.c_str(), 1);
    bin.setMode("xdg-open", 0644);
    form->SpeedButton3->click();
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(log(), "");
}

}  // namespace
