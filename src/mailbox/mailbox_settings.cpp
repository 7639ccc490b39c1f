#include "mailbox/mailbox_settings.h"

#include <stdexcept>

#include "store/ini_document.h"
#include "store/private_file.h"
#include "store/text_file.h"
#include "text/cp932.h"

namespace mailbox {

namespace {

constexpr const char* kSection = "Mailbox";

std::string utf8Of(const store::IniDocument& ini, const char* key, const std::string& fallback) {
    const std::optional<std::string> value = ini.value(kSection, key);
    return value ? text::cp932::toUtf8Lossy(*value) : fallback;
}

std::string cp932Of(const std::string& utf8, const char* field) {
    const std::optional<std::string> bytes = text::cp932::fromUtf8(utf8);
    if (!bytes || bytes->find_first_of("\r\n") != std::string::npos)
        throw std::runtime_error(std::string("返送メールの設定「") + field +
                                 "」に保存できない文字が入っています");
    return *bytes;
}

}  // namespace

int defaultPort(Protocol protocol) {
    return protocol == Protocol::Imap ? 993 : 995;
}

Settings loadSettings(const std::string& path) {
    Settings settings;
    if (!store::textfile::fileExists(path)) return settings;
    const store::IniDocument ini = store::IniDocument::parse(store::textfile::readAll(path));
    settings.protocol = utf8Of(ini, "Protocol", "IMAP") == "POP3" ? Protocol::Pop3 : Protocol::Imap;
    settings.server = utf8Of(ini, "Server", "");
    settings.port = utf8Of(ini, "Port", std::to_string(defaultPort(settings.protocol)));
    settings.user = utf8Of(ini, "UserID", "");
    settings.password = utf8Of(ini, "Password", "");
    settings.folder = utf8Of(ini, "Folder", "INBOX");
    return settings;
}

void saveSettings(const std::string& path, const Settings& settings) {
    store::IniDocument ini;
    ini.setValue(kSection, "Protocol", settings.protocol == Protocol::Pop3 ? "POP3" : "IMAP");
    ini.setValue(kSection, "Server", cp932Of(settings.server, "サーバー"));
    ini.setValue(kSection, "Port", cp932Of(settings.port, "ポート"));
    ini.setValue(kSection, "UserID", cp932Of(settings.user, "ユーザーID"));
    ini.setValue(kSection, "Password", cp932Of(settings.password, "パスワード"));
    ini.setValue(kSection, "Folder", cp932Of(settings.folder, "フォルダー"));
    store::privatefile::writeAll(path, ini.serialize());
}

}  // namespace mailbox
