#include <gtest/gtest.h>

#include "sendrun/batch_text.h"
#include "support/temp_app_folder.h"

namespace {

TEST(BatchLine, IsTheTenPiecesInCp932WithCrLfAndNoQuotes) {
    const std::string jp = sj("/home/u/表ソ/");  // 表 and ソ end in the byte 0x5C
    const struct {
        std::string folder, project, line;
    } cases[] = {
        {"/opt/Tool/", "abc",
         "java -cp /opt/Tool/ -cp /opt/Tool/;/opt/Tool/mail.jar fendrival /opt/Tool/ abc\r\n"},
        {"/home/u/my tool/", "spring sale",
         "java -cp /home/u/my tool/ -cp /home/u/my tool/;/home/u/my tool/mail.jar fendrival "
         "/home/u/my tool/ spring sale\r\n"},
        {"/home/u/表ソ/", sj("表示テスト"),
         "java -cp " + jp + " -cp " + jp + ";" + jp + "mail.jar fendrival " + jp + " " +
             sj("表示テスト") + "\r\n"},
        {"/t/", "", "java -cp /t/ -cp /t/;/t/mail.jar fendrival /t/ \r\n"},
    };
    for (const auto& c : cases) EXPECT_EQ(sendrun::batchLine(c.folder, c.project), c.line);
}

TEST(BatchLine, RefusesAFolderThatCp932CannotHold) {
    for (const char* folder : {"/home/josé/Tool/", "/tmp/\xff/", "/srv/😀/"}) {
        EXPECT_FALSE(sendrun::batchLine(folder, "abc").has_value()) << folder;
    }
}

}  // namespace
