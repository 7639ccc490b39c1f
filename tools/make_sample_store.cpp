// Writes a small sample store for looking at the settings window:
//   make_sample_store <application folder>
// Two projects; the first has three groups with Japanese names, subjects and bodies. Every
// body ends with what an advertising mail must carry (sender, postal address, contact, how
// to stop the mails), so the pre-send check and the manual's pictures show a lawful mail.
#include <cstdio>
#include <exception>
#include <string>
#include <utility>
#include <vector>

#include "store/comFunc.h"
#include "store/optout_file.h"
#include "store/project_store.h"
#include "text/cp932.h"

namespace {

std::string sj(const std::string& utf8) {
    return text::cp932::fromUtf8(utf8).value();
}

using Keys = std::vector<std::pair<std::string, std::string>>;

void writeSettings(const store::ProjectStore& s, const std::string& project, const Keys& keys) {
    const std::string section = sj("メール同報システム");
    for (const auto& [key, value] : keys)
        fncIniWrite(s.iniPath(project), section, sj(key), sj(value));
}

struct Group {
    const char* name;
    const char* recipients;  // LF separated
    const char* subject;
    std::string body;
};

void writeProject(const store::ProjectStore& s, const std::string& utf8Name, const Keys& keys,
                  const std::vector<Group>& groups) {
    const std::string project = sj(utf8Name);
    s.ensureProjectFolder(project);
    writeSettings(s, project, keys);
    fncIniWrite(s.iniPath(project), sj("メール同報システム"), "GROUPCOUNT",
                std::to_string(groups.size()));
    for (std::size_t n = 0; n < groups.size(); ++n) {
        const int group = int(n);
        s.writeGroupName(project, group, sj(groups[n].name));
        s.storeRecipients(project, group, sj(groups[n].recipients));
        s.writeSubject(project, group, sj(groups[n].subject));
        s.writeBody(project, group, sj(groups[n].body));
    }
}

// The sender's footer: name, postal address, a contact and the opt-out address.
const std::string kFooter =
    "\n――――――――――――――――――――――――\n"
    "山田商店株式会社 会員サポート\n"
    "〒100-0005 東京都千代田区丸の内1-2-3\n"
    "お問い合わせ：support@example.jp（TEL 03-1234-5678）\n"
    "このメールの配信停止をご希望の方は、下記のアドレスへ\n"
    "件名「配信停止」でお送りください。 unsubscribe@example.jp\n"
    "――――――――――――――――――――――――\n";

const std::string kHtmlFooter =
    "<hr><p>山田商店株式会社 メールマガジン編集部<br>"
    "〒100-0005 東京都千代田区丸の内1-2-3<br>"
    "お問い合わせ：support@example.jp（TEL 03-1234-5678）</p>"
    "<p>配信停止をご希望の方は、こちらへご連絡ください。<br>"
    "unsubscribe@example.jp</p>";

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: %s <application folder>\n", argv[0]);
        return 2;
    }
    try {
        std::string appPath = argv[1];
        if (appPath.empty() || appPath.back() != '/') appPath += '/';
        const store::ProjectStore s(appPath);
        s.writeProjectList({sj("春の会員キャンペーン"), "newsletter"});

        writeProject(s, "春の会員キャンペーン",
                     {{"SMTPServer", "smtp.example.jp"},
                      {"クライアント名称", "campaign"},
                      {"送信元メールアドレス", "info@example.jp"},
                      {"PauseInterval", "500"},
                      {"PauseTime", "30"},
                      {"SMTP", "SMTP-AUTH"},
                      {"SMTPID", "campaign@example.jp"},
                      {"SMTPPWD", "s3cret-pass"},
                      {"SMTPPORT", "587"},
                      {"送信元名称", "山田商店 会員サポート"},
                      {"SMTPHTML", "0"}},
                     {{"会員向け（一般）",
                       "taro.yamada@example.jp\nhanako.suzuki@example.jp\nichiro.sato@example.com\n"
                       "yuki.tanaka@example.net\nkenji.watanabe@example.org\nmisaki.ito@example.jp",
                       "【山田商店】春の会員キャンペーンのお知らせ",
                       "会員の皆さま\n\nいつも山田商店をご利用いただき、ありがとうございます。\n"
                       "春の会員キャンペーンを下記のとおり開催いたします。\n\n"
                       "　期間：４月１日～４月３０日\n　内容：全品１０％引き\n\n"
                       "今後ともよろしくお願い申し上げます。\n" +
                           kFooter},
                      {"ゴールド会員", "gold.member1@example.jp\ngold.member2@example.jp",
                       "【山田商店】ゴールド会員さま限定のご案内",
                       "ゴールド会員の皆さま\n\n限定セールのご案内です。\n" + kFooter},
                      {"休眠会員", "sleep.member@example.com", "【山田商店】お久しぶりです",
                       "しばらくご利用がない会員さまへのご案内です。\n" + kFooter}});

        writeProject(s, "newsletter",
                     {{"SMTPServer", "mail.example.com"},
                      {"クライアント名称", "news"},
                      {"送信元メールアドレス", "news@example.com"},
                      {"PauseInterval", "100"},
                      {"PauseTime", "10"},
                      {"SMTP", "SMTP"},
                      {"SMTPPORT", "25"},
                      {"送信元名称", "メールマガジン編集部"},
                      {"SMTPHTML", "1"}},
                     {{"購読者", "reader1@example.com\nreader2@example.com",
                       "メールマガジン 第１号", "<p>創刊号をお届けします。</p>" + kHtmlFooter}});
        // Two people who asked for no more mail, kept out of every project.
        store::optoutfile::write(s.optOutPath(),
                                 {"old.member@example.jp", "no.thanks@example.com"});
    } catch (const std::exception& error) {
        std::fprintf(stderr, "make_sample_store: %s\n", error.what());
        return 1;
    }
    return 0;
}
