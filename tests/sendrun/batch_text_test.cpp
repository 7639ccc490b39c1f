#include <gtest/gtest.h>

#include "sendrun/batch_text.h"
#include "support/temp_app_folder.h"

namespace {

struct BatchCase {
    const char* name;
    std::string folder;   // UTF-8
    std::string project;  // CP932
    std::string line;     // CP932
};

TEST(BatchLine, IsTheTenPiecesInCp932WithCrLfAndNoQuotes) {
    const std::vector<BatchCase> cases = {
        {"plain", "/opt/Tool/", "abc",
         "java -cp /opt/Tool/ -cp /opt/Tool/;/opt/Tool/mail.jar fendrival /opt/Tool/ abc\r\n"},
        {"blanks stay unquoted", "/home/u/my tool/", "spring sale",
         "java -cp /home/u/my tool/ -cp /home/u/my tool/;/home/u/my tool/mail.jar fendrival "
         "/home/u/my tool/ spring sale\r\n"},
        // 表 and ソ end in the byte 0x5C: it must pass through untouched.
        {"Japanese in CP932", "/home/u/表ソ/", sj("表示テスト"),
         "java -cp " + sj("/home/u/表ソ/") + " -cp " + sj("/home/u/表ソ/") + ";" +
             sj("/home/u/表ソ/") + "mail.jar fendrival " + sj("/home/u/表ソ/") + " " +
             sj("表示テスト") + "\r\n"},
        {"empty project ends with the blank", "/t/", "",
         "java -cp /t/ -cp /t/;/t/mail.jar fendrival /t/ \r\n"},
    };
    for (const BatchCase& c : cases) {
        EXPECT_EQ(sendrun::batchLine(c.folder, c.project), c.line) << c.name;
    }
}

TEST(BatchLine, RefusesAFolderThatCp932CannotHold) {
    for (const char* folder : {"/home/josé/Tool/", "/tmp/\xff/", "/srv/😀/"}) {
        EXPECT_FALSE(sendrun::batchLine(folder, "abc").has_value()) << folder;
    }
}

TEST(Launcher, QuotesEveryArgumentForTheShell) {
    const struct {
        std::string folder, project, script;
    } cases[] = {
        {"/opt/Tool/", "abc",
         "#!/bin/sh\nexec java '-cp' '/opt/Tool/' '-cp' '/opt/Tool/:/opt/Tool/mail.jar' "
         "'fendrival' '/opt/Tool/' 'abc'\n"},
        {"/a b/", "it's $HOME `x`",
         "#!/bin/sh\nexec java '-cp' '/a b/' '-cp' '/a b/:/a b/mail.jar' 'fendrival' '/a b/' "
         "'it'\\''s $HOME `x`'\n"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(sendrun::launcherScript(c.folder, c.project), c.script) << c.project;
    }
}

TEST(Launcher, ShellWordsQuoteEverySpecialCharacter) {
    const std::pair<std::string, std::string> cases[] = {
        {"", "''"},
        {"plain", "'plain'"},
        {"'", "''\\'''"},
        {"a''b", "'a'\\'''\\''b'"},
        {"\\ \" $ ` ! * ? \n", "'\\ \" $ ` ! * ? \n'"},
        {"表示", "'表示'"},
    };
    for (const auto& [text, word] : cases) EXPECT_EQ(sendrun::shellWord(text), word) << text;
}

}  // namespace
