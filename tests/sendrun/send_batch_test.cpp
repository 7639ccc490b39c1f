#include <gtest/gtest.h>

#include "sendrun/batch_text.h"
#include "sendrun/send_batch.h"
#include "stand_in.h"
#include "store/project_store.h"
#include "store/store_error.h"

namespace {

// The application folder is a subfolder, so its path can hold blanks, quotes and Japanese.
class SendBatchTest : public testing::Test {
protected:
    std::string appFolder(const std::string& name) const {
        temp.makeFolder(name);
        return temp.path() + name + "/";
    }

    TempAppFolder temp;
};

TEST_F(SendBatchTest, WritesBothFilesIntoANewBatFolderAndReplacesThemWhole) {
    const std::string d = appFolder("app");
    const store::ProjectStore store(d);
    const std::string bat =
        "java -cp " + d + " -cp " + d + ";" + d + "mail.jar fendrival " + d + " abc\r\n";
    const std::string sh = "#!/bin/sh\nexec java '-cp' '" + d + "' '-cp' '" + d + ":" + d +
                           "mail.jar' 'fendrival' '" + d + "' 'abc'\n";
    for (int press = 0; press < 2; ++press) {
        EXPECT_EQ(sendrun::writeSendBatch(store, "abc"), d + "BAT/abc.bat");
        EXPECT_EQ(temp.mode("app/BAT"), 0700u);
        EXPECT_EQ(temp.read("app/BAT/abc.bat"), bat);
        EXPECT_EQ(temp.read("app/BAT/abc.sh"), sh);
        EXPECT_EQ(temp.mode("app/BAT/abc.sh"), 0700u);
        // Longer old texts and other bits, which the next press must not keep.
        temp.write("app/BAT/abc.bat", "an older and much longer line\r\n" + bat);
        temp.write("app/BAT/abc.sh", "old" + sh);
        temp.setMode("app/BAT/abc.sh", 0644);
    }
}

TEST_F(SendBatchTest, ReadOnlyLauncherStopsWithTheStoresErrorNamingIt) {
    const std::string d = appFolder("app");
    temp.write("app/BAT/abc.sh", "old");
    temp.setMode("app/BAT/abc.sh", 0555);
    try {
        sendrun::writeSendBatch(store::ProjectStore(d), "abc");
        ADD_FAILURE() << "no error";
    } catch (const store::StoreError& e) {
        EXPECT_EQ(std::string(e.what()), "ファイル " + d + "BAT/abc.sh を作成できません");
    }
    EXPECT_EQ(temp.read("app/BAT/abc.sh"), "old");
}

TEST_F(SendBatchTest, LauncherParsesAndHandsJavaExactlyTheRun) {
    StandIns standIns;
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
    // And as the batch action writes it, beside the .bat.
    for (const std::string project : {"spring  sale", " 春の $HOME `id` セール "}) {
        const auto bat = sendrun::writeSendBatch(store::ProjectStore(d), sj(project));
        ASSERT_EQ(bat, d + "BAT/" + project + ".bat");
        EXPECT_EQ(store::ProjectStore(d).launcherPath(sj(project)), d + "BAT/" + project + ".sh");
        expectRun(d + "BAT/" + project + ".sh", project);
    }
}

}  // namespace
