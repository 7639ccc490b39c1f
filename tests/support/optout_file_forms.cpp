#include "support/optout_file_forms.h"

#include "support/temp_app_folder.h"

std::vector<OptOutFileForm> optOutFileForms() {
    const std::string bom = "\xEF\xBB\xBF";
    const std::string utf16Bom = "\xFF\xFE";
    const std::string bothLf = "stop.one@example.com\nstop.two@example.com\n";
    return {
        {"tool's own form", "stop.one@example.com\r\nstop.two@example.com\r\n", 0, ""},
        {"UTF-8 with a BOM", bom + "stop.one@example.com\r\nstop.two@example.com\r\n", 0, ""},
        {"UTF-16 LE, tabs",
         utf16Bom + encodeAs("UTF-16LE",
                             "氏名\tメールアドレス\t備考\r\n"
                             "山田 太郎\tstop.one@example.com\t退会希望\r\n"
                             "佐藤 花子\tstop.two@example.com\t\r\n"),
         0, ""},
        {"three columns",
         "山田 太郎,stop.one@example.com,退会希望\r\n佐藤 花子,stop.two@example.com,退会希望\r\n",
         0, ""},
        {"EUC-JP",
         encodeAs("EUC-JP", "stop.one@example.com,山田 太郎\nstop.two@example.com,佐藤 花子\n"), 0,
         ""},
        {"header row", sj("メールアドレス\r\nstop.one@example.com\r\nstop.two@example.com\r\n"), 0,
         ""},
        {"# note", sj("# 配信停止の依頼\r\nstop.one@example.com\r\nstop.two@example.com\r\n"), 0,
         ""},
        {"text, no address",
         sj("stop.one@example.com\r\n退会希望（アドレス不明）\r\nstop.two@example.com\r\n"), 2,
         "退会希望（アドレス不明）"},
        {"no encoding", "stop.one@example.com\r\n\x80\xFF\xFE\x80\r\nstop.two@example.com\r\n", 2,
         "\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD\xEF\xBF\xBD"},
        // One EUC-JP address also reads as CP932, and the detector cannot tell which.
        {"EUC-JP, one address outside ASCII", encodeAs("EUC-JP", bothLf + "山田@例え.jp\n"), 3,
         "ｻｳﾅﾄ@ﾎ网ｨ.jp"},
        {"EUC-JP, two addresses outside ASCII",
         encodeAs("EUC-JP", bothLf + "山田@例え.jp\n鈴木@例え.jp\n"), 0, "",
         "山田@例え.jp\n鈴木@例え.jp\n"},
    };
}
