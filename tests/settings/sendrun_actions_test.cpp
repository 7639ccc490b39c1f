#include <QApplication>
#include <QTest>
#include <QTimer>
#include <cstdlib>
#include <filesystem>

#include "settings_fixture.h"
#include "shell/app_path.h"

namespace {

// The batch button over a project list, the entry chosen without loading the project: the
// action reads nothing but the list's choice. A subfolder may serve as the application
// folder, for cases that each need a store of their own.
class SendBatchActionTest : public SettingsWindowTest {
protected:
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
    void expectOneBox(const QString& text, int style) const {
        ASSERT_EQ(boxes.calls().size(), 1u) << utf8(text);
        EXPECT_EQ(boxes.calls()[0].text, text);
        EXPECT_EQ(boxes.calls()[0].style, style);
    }
};

TEST_F(SendBatchActionTest, WritesTheLineAndLauncherForTheChosenProjectAndSaysWhere) {
    const std::string& d = app.path();
    const std::vector<std::string> projects = {"abc", "spring sale", "表示テスト"};
    for (int i = 0; i < int(projects.size()); ++i) {
        const std::string& p = projects[i];
        choose(projects, i);
        // The second press replaces what is there.
        for (const char* old : {"", "an older and longer line, written by hand\r\n"}) {
            if (*old) app.write("BAT/" + p + ".bat", old);
            boxes.clear();
            form->SpeedButton7->click();
            expectOneBox(QString::fromStdString("送信実行用バッチファイル\r\n" + d + "BAT/" + p +
                                                ".bat\r\nを保存しました。ダブルクリックにて実行"
                                                "し、送信をお試しください。"),
                         0x40);
            EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("ZELMonitor"));
            EXPECT_EQ(app.read("BAT/" + p + ".bat"), "java -cp " + d + " -cp " + d + ";" + d +
                                                         "mail.jar fendrival " + d + " " + sj(p) +
                                                         "\r\n");
            EXPECT_EQ(app.mode("BAT/" + p + ".sh"), 0700u) << p;
        }
    }
    EXPECT_EQ(app.mode("BAT"), 0700u);
    // Nothing but the two files per project: the project's own files are not looked at.
    EXPECT_FALSE(app.exists("Mail"));
    const auto files = std::distance(std::filesystem::directory_iterator(app.file("BAT")), {});
    EXPECT_EQ(files, 6);
}

TEST_F(SendBatchActionTest, RefusesWithoutWritingWhenNoFileCanBeNamed) {
    const QString noProject = QStringLiteral("プロジェクト名を正しく指定してください。");
    const QString refused = QStringLiteral("プロジェクト名に使用できない文字が入力されています。");
    const struct {
        std::vector<std::string> lines;  // hand-edited project.ini lines among them
        int index;
        QString text;
    } cases[] = {
        // A blank name is no project, as for the group actions.
        {{"abc"}, -1, noProject}, {{"", "abc"}, 0, noProject}, {{".."}, 0, refused},
        {{"../x"}, 0, refused},   {{"a/b"}, 0, refused},
    };
    form->show();
    QApplication::setActiveWindow(form.get());
    for (const auto& c : cases) {
        choose(c.lines, c.index);
        form->Edit1->setFocus();
        form->SpeedButton7->click();
        expectOneBox(c.text, 0x30);
        if (c.index < 0) {
            EXPECT_EQ(QApplication::focusWidget(), form->cmbProject);
        }
    }
    for (const char* never : {"BAT", "x.bat", "x.sh", ".bat"}) EXPECT_FALSE(app.exists(never));

    choose({"abc"}, 0, "café/");  // a folder the .bat cannot name in Shift-JIS
    form->SpeedButton7->click();
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_TRUE(boxes.calls()[0].text.contains(QStringLiteral("バッチファイルを出力できません")));
    EXPECT_FALSE(app.exists("café/BAT"));
}

TEST_F(SendBatchActionTest, FileThatCannotBeWrittenReachesTheErrorReportAndNothingElse) {
    const struct {
        std::string folder, arrange, failing;  // arrange: a file BAT, or a read-only file
    } cases[] = {
        {"bat-is-a-file/", "BAT", "BAT/abc.bat"},
        {"read-only-batch-file/", "BAT/abc.bat", "BAT/abc.bat"},
        {"read-only-launcher/", "BAT/abc.sh", "BAT/abc.sh"},
    };
    for (const auto& c : cases) {
        app.write(c.folder + c.arrange, "old");
        app.setMode(c.folder + c.arrange, 0444);
        choose({"abc"}, 0, c.folder);
        form->SpeedButton7->click();
        expectOneBox(QString::fromStdString("ファイル " + app.path() + c.folder + c.failing +
                                            " を作成できません."),
                     0x10);
        EXPECT_EQ(boxes.calls()[0].caption, QStringLiteral("Fendrival Setup"));
        EXPECT_EQ(app.read(c.folder + c.arrange), "old");
    }
}

// The check button with a stand-in opener first on PATH. Each call records its current
// folder and arguments, and logs "start", sleeps the seconds in the file "delay", and
// logs "end".
class RuntimeCheckActionTest : public SettingsWindowTest {
protected:
    RuntimeCheckActionTest() {
        const char* path = std::getenv("PATH");
        savedPath_ = path ? path : "/usr/bin:/bin";
        ::setenv("PATH", (binFolder() + ":" + savedPath_).c_str(), 1);
        bin.write("xdg-open",
                  "#!/bin/sh\nPATH=/usr/bin:/bin\nprintf '%s\\0' \"$(pwd -P)\" "
                  "\"$#\" \"$@\" > '" +
                      bin.file("call") + "'\necho start >> '" + bin.file("log") +
                      "'\nsleep \"$(cat '" + bin.file("delay") + "')\"\necho end >> '" +
                      bin.file("log") + "'\n");
        bin.setMode("xdg-open", 0755);
        delay("0");
    }
    ~RuntimeCheckActionTest() override { ::setenv("PATH", savedPath_.c_str(), 1); }

    std::string binFolder() const { return bin.path().substr(0, bin.path().size() - 1); }
    void delay(const char* seconds) const { bin.write("delay", seconds); }
    std::string log() const { return bin.exists("log") ? bin.read("log") : std::string(); }
    // Runs the action at the given moment of the press that follows.
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
        const std::string call = bin.read("call");
        EXPECT_EQ(call, folder + '\0' + "1" + '\0' + text.toStdString() + '\0');
    }
    EXPECT_EQ(log(), "start\nend\nstart\nend\nstart\nend\n");
    EXPECT_TRUE(boxes.calls().empty());
}

TEST_F(RuntimeCheckActionTest, WindowTakesInputAndClosesWhileTheOpenerRuns) {
    delay("1.5");
    form->show();
    std::string logWhileTyping = "not run";
    bool closedWhileRunning = false;
    during(600, [&] {
        QTest::keyClicks(form->txtProject, QStringLiteral("typed"));
        logWhileTyping = log();
    });
    during(900, [&] {
        form->close();  // the closing question is answered with OK
        closedWhileRunning = !form->isVisible() && log() == "start\n";
    });
    form->SpeedButton3->click();
    EXPECT_EQ(logWhileTyping, "start\n");
    EXPECT_EQ(form->txtProject->text(), QStringLiteral("typed"));
    EXPECT_TRUE(closedWhileRunning);
    ASSERT_EQ(boxes.calls().size(), 1u);
    EXPECT_EQ(boxes.calls()[0].style, 0x131);
    EXPECT_EQ(log(), "start\nend\n");  // the press ended only after the opener
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
    EXPECT_EQ(logAfterNested, "start\nstart\nend\n");
    EXPECT_EQ(log(), "start\nstart\nend\nend\n");
}

TEST_F(RuntimeCheckActionTest, OpenerThatCannotStartEndsTheActionSilently) {
    ::setenv("PATH", binFolder().c_str(), 1);
    bin.setMode("xdg-open", 0644);
    form->SpeedButton3->click();
    EXPECT_TRUE(boxes.calls().empty());
    EXPECT_EQ(log(), "");
}

}  // namespace
