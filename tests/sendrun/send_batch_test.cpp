#include <gtest/gtest.h>

#include "sendrun/batch_text.h"
#include "sendrun/send_batch.h"
#include "stand_in.h"
#include "store/project_store.h"
#include "store/store_error.h"
#include "support/temp_app_folder.h"

namespace {

// The application folder inside a temp folder, so its path can hold blanks and quotes.
class SendBatchTest : public testing::Test {
protected:
    std::string appFolder(const std::string& name) const {
        temp.makeFolder(name);
        return temp.path() + name + "/";
    }

    TempAppFolder temp;
};

TEST_F(SendBatchTest, WritesBatchAndLauncherIntoANewBatFolder) {
    const std::string d = appFolder("app");
    const store::ProjectStore store(d);
    ASSERT_FALSE(temp.exists("app/BAT"));

    const auto bat = sendrun::writeSendBatch(store, "abc");

    ASSERT_EQ(bat, d + "BAT/abc.bat");
    EXPECT_EQ(temp.mode("app/BAT"), 0700u);
    EXPECT_EQ(temp.read("app/BAT/abc.bat"),
              "java -cp " + d + " -cp " + d + ";" + d + "mail.jar fendrival " + d + " abc\r\n");
    EXPECT_EQ(temp.read("app/BAT/abc.sh"), "#!/bin/sh\nexec java '-cp' '" + d + "' '-cp' '" + d +
                                               ":" + d + "mail.jar' 'fendrival' '" + d +
                                               "' 'abc'\n");
    EXPECT_EQ(temp.mode("app/BAT/abc.sh"), 0700u);
}

TEST_F(SendBatchTest, SecondWriteReplacesBothFilesWhole) {
    const std::string d = appFolder("app");
    const store::ProjectStore store(d);
    sendrun::writeSendBatch(store, "abc");
    const std::string bat = temp.read("app/BAT/abc.bat");
    const std::string sh = temp.read("app/BAT/abc.sh");
    temp.write("app/BAT/abc.bat", "a much longer old text that must not survive\r\n" + bat);
    temp.write("app/BAT/abc.sh", "old");
    temp.setMode("app/BAT/abc.sh", 0644);

    sendrun::writeSendBatch(store, "abc");

    EXPECT_EQ(temp.read("app/BAT/abc.bat"), bat);
    EXPECT_EQ(temp.read("app/BAT/abc.sh"), sh);
    EXPECT_EQ(temp.mode("app/BAT/abc.sh"), 0700u);
}

TEST_F(SendBatchTest, UnwritableFileStopsWithTheStoresErrorNamingIt) {
    const struct {
        const char* name;
        void (*arrange)(const TempAppFolder&);
        const char* failing;  // below the application folder
        bool batWritten;
    } cases[] = {
        {"BAT is a file", [](const TempAppFolder& t) { t.write("app/BAT", "x"); }, "BAT/abc.bat",
         false},
        {"read-only batch file",
         [](const TempAppFolder& t) {
             t.write("app/BAT/abc.bat", "old");
             t.setMode("app/BAT/abc.bat", 0444);
         },
         "BAT/abc.bat", false},
        {"read-only launcher",
         [](const TempAppFolder& t) {
             t.write("app/BAT/abc.sh", "old");
             t.setMode("app/BAT/abc.sh", 0555);
         },
         "BAT/abc.sh", true},
    };
    for (const auto& c : cases) {
        TempAppFolder fresh;
        fresh.makeFolder("app");
        c.arrange(fresh);
        const std::string d = fresh.path() + "app/";
        try {
            sendrun::writeSendBatch(store::ProjectStore(d), "abc");
            ADD_FAILURE() << c.name << ": no error";
        } catch (const store::StoreError& e) {
            EXPECT_EQ(e.path(), d + c.failing) << c.name;
            EXPECT_EQ(std::string(e.what()), "ファイル " + d + c.failing + " を作成できません")
                << c.name;
        }
        EXPECT_EQ(fresh.exists("app/BAT/abc.bat") && fresh.read("app/BAT/abc.bat") != "old",
                  c.batWritten)
            << c.name;
    }
}

TEST_F(SendBatchTest, FolderWithoutCp932FormWritesNothing) {
    const std::string d = appFolder("café");
    EXPECT_FALSE(sendrun::writeSendBatch(store::ProjectStore(d), "abc").has_value());
    EXPECT_FALSE(temp.exists("café/BAT"));
}

TEST_F(SendBatchTest, LauncherParsesAndHandsJavaExactlyTheRun) {
    StandIns standIns;
    // Records every argument exactly as it arrives.
    standIns.add("java", "printf '%s\\0' \"$@\" > '" + standIns.file("args") + "'");
    const std::string d = appFolder("o'neil 表 $HOME");
    auto expectRun = [&](const std::string& sh, const std::string& project) {
        EXPECT_EQ(runProgram({"sh", "-n", sh}), 0) << project;
        standIns.folder().write("args", "");
        EXPECT_EQ(runProgram({sh}), 0) << project;
        const std::vector<std::string> expected = {"-cp",       d, "-cp",  d + ":" + d + "mail.jar",
                                                   "fendrival", d, project};
        EXPECT_EQ(readFields(standIns.file("args")), expected) << project;
    };

    // Any text, even what no project name may hold.
    for (const std::string project :
         {"abc", "spring  sale", "it's", "表示テスト", " 春の 'セール' \"$HOME\" `id` \\ "}) {
        temp.write("launcher.sh", sendrun::launcherScript(d, project));
        temp.setMode("launcher.sh", 0700);
        expectRun(temp.file("launcher.sh"), project);
    }
    // And as the batch action writes it, for names a project may have.
    for (const std::string project : {"abc", "spring  sale", " 春の $HOME `id` セール "}) {
        const auto bat = sendrun::writeSendBatch(store::ProjectStore(d), sj(project));
        ASSERT_TRUE(bat.has_value()) << project;
        EXPECT_EQ(sendrun::launcherPath(*bat), d + "BAT/" + project + ".sh");
        expectRun(d + "BAT/" + project + ".sh", project);
    }
}

TEST(LauncherPath, StandsBesideTheBatchFile) {
    EXPECT_EQ(sendrun::launcherPath("/a/BAT/x.bat"), "/a/BAT/x.sh");
    EXPECT_EQ(sendrun::launcherPath("/a/BAT/x.bat.bat"), "/a/BAT/x.bat.sh");
    EXPECT_EQ(sendrun::launcherPath("/a/BAT/.bat"), "/a/BAT/.sh");
}

}  // namespace
