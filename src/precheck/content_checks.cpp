#include "precheck/content_checks.h"

#include "precheck/legal_text.h"
#include "precheck/run_length.h"
#include "smtp/html_text.h"

namespace precheck {
namespace {

constexpr std::size_t kLargestDomains = 10;

std::string withCommas(std::size_t n) {
    std::string digits = std::to_string(n);
    for (int i = static_cast<int>(digits.size()) - 3; i > 0; i -= 3) digits.insert(i, ",");
    return digits;
}

std::string metText(bool met) {
    return met ? "満たす" : "未確認または満たさない";
}

}  // namespace

std::vector<CheckItem> volumeChecks(const Volume& volume, const DnsFacts& facts) {
    std::vector<CheckItem> items;
    std::string largest;
    for (std::size_t i = 0; i < volume.domains.size() && i < kLargestDomains; ++i) {
        const DomainCount& d = volume.domains[i];
        largest += (largest.empty() ? "" : "、") +
                   (d.domain.empty() ? std::string("（ドメインなし）") : d.domain) + " " +
                   withCommas(d.count) + "件";
    }
    const std::size_t gmail = volume.gmail();
    CheckItem count{Verdict::Ok, "宛先ドメイン別の件数",
                    "宛先 " + withCommas(volume.recipients) + "件（配信停止リストを除く）。" +
                        (largest.empty() ? "" : "多い順: " + largest + "。"),
                    ""};
    if (gmail >= kGmailBulkSender) {
        count.verdict = Verdict::Caution;
        count.finding +=
            "Gmail宛て（gmail.com と googlemail.com）が " + withCommas(gmail) +
            "件で、1日5,000件以上の一括送信者の要件が適用されます。SPF: " + metText(facts.spfPass) +
            "、DKIM: この画面では確認不可、DMARCレコード: " + metText(facts.dmarcFound) +
            "、From ドメインの一致（SPF）: " + metText(facts.spfPass && facts.dmarcFound) +
            "、逆引きDNS: " + metText(facts.reverseConfirmed) +
            "、送信元ドメインの受信: " + metText(facts.senderDomainReachable) + "。";
        count.advice = "満たしていない要件を整えるか、1日の送信件数を5,000件未満に分けてください。";
    }
    items.push_back(count);
    items.push_back(
        {Verdict::Caution, "ワンクリック配信停止",
         "ワンクリック配信停止のヘッダー（List-Unsubscribe）は送信プログラムが付けるため、"
         "この画面からは確認できません。",
         "テスト送信で受信したメールのヘッダーに List-Unsubscribe と "
         "List-Unsubscribe-Post があるか確認してください。"});
    return items;
}

CheckItem runLengthCheck(const SendingFields& fields, std::size_t recipients) {
    const std::int64_t seconds =
        pauseSeconds(static_cast<std::int64_t>(recipients), fields.pauseInterval, fields.pauseTime);
    CheckItem item{Verdict::Ok, "送信にかかる時間",
                   withCommas(recipients) + "件を " + std::to_string(fields.pauseInterval) +
                       "件ごとに " + std::to_string(fields.pauseTime) +
                       "秒のポーズで送ると、ポーズだけで少なくとも " + durationText(seconds) +
                       "かかります。",
                   ""};
    if (seconds > 24 * 3600) {
        item.verdict = Verdict::Caution;
        item.advice =
            "送信が1日を超えます。ポーズ件数を増やすかポーズ時間を短くするか、"
            "プロジェクトを分けてください。";
    }
    return item;
}

std::vector<CheckItem> legalChecks(const SendingFields& fields,
                                   const std::vector<GroupBody>& groups) {
    std::vector<CheckItem> items;
    for (const GroupBody& group : groups) {
        const std::string text = fields.html ? smtp::htmlToText(group.body) : group.body;
        const LegalFindings found = findLegalText(text, fields.senderName);
        const std::string title =
            "法定表示（グループ" + std::to_string(group.number) + "「" + group.name + "」）";
        const struct {
            bool present;
            const char* what;
            const char* advice;
        } parts[] = {
            {found.senderName, "送信者の氏名または名称が本文に見つかりません。",
             "本文に送信元名称（会社名など）を記載してください。"},
            {found.optOut,
             "配信停止ができる旨の表示と、その連絡先（メールアドレスまたはURL）が本文に見つかりませ"
             "ん。",
             "「配信停止はこちら」などの文と、その前後2行以内に受付のメールアドレスかURLを記載して"
             "ください。"},
            {found.postalAddress, "送信者の住所が本文に見つかりません。",
             "〒と郵便番号、または都道府県からの住所を記載してください。"},
            {found.contact,
             "苦情・問い合わせ先（電話番号、メールアドレスまたはURL）が本文に見つかりません。",
             "「お問い合わせ」「TEL」などの見出しを付けて連絡先を記載してください（配信停止の連絡先"
             "とは別の項目です）。"},
        };
        bool all = true;
        for (const auto& part : parts) {
            if (part.present) continue;
            all = false;
            items.push_back({Verdict::Problem, title, part.what, part.advice});
        }
        if (all)
            items.push_back(
                {Verdict::Ok, title,
                 "送信者名、配信停止の表示と連絡先、住所、問い合わせ先が見つかりました。", ""});
    }
    return items;
}

}  // namespace precheck
