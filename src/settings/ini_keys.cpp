#include "settings/ini_keys.h"

#include "text/cp932.h"

namespace {

std::string cp932(const char* utf8) {
    return text::cp932::fromUtf8(utf8).value();
}

}  // namespace

const IniKeys& iniKeys() {
    static const IniKeys keys{cp932("メール同報システム"),
                              "SMTPServer",
                              cp932("クライアント名称"),
                              cp932("送信元メールアドレス"),
                              cp932("送信元名称"),
                              "PauseInterval",
                              "PauseTime",
                              "SMTP",
                              "SMTPID",
                              "SMTPPWD",
                              "SMTPPORT",
                              "SMTPHTML",
                              "GROUPCOUNT"};
    return keys;
}
