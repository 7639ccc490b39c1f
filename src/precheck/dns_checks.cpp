#include "precheck/dns_checks.h"

#include <algorithm>

#include "precheck/address_kind.h"
#include "precheck/dmarc_check.h"
#include "precheck/dns_client.h"
#include "precheck/domain_volume.h"
#include "precheck/precheck_input.h"
#include "precheck/server_addresses.h"
#include "precheck/spf_check.h"
#include "smtp/ehlo_name.h"
#include "text/cp932_char.h"

namespace precheck {
namespace {

const char* const kFreeMail[] = {
    "gmail.com",  "googlemail.com", "yahoo.co.jp",    "ymail.ne.jp",  "yahoo.com",    "outlook.com",
    "outlook.jp", "hotmail.com",    "hotmail.co.jp",  "live.jp",      "live.com",     "msn.com",
    "icloud.com", "me.com",         "mac.com",        "aol.com",      "aol.jp",       "gmx.com",
    "mail.com",   "zoho.com",       "protonmail.com", "proton.me",    "docomo.ne.jp", "ezweb.ne.jp",
    "au.com",     "softbank.ne.jp", "i.softbank.jp",  "excite.co.jp", "goo.jp",       "nifty.com"};

const char* const kTempAdvice =
    "DNSサーバーから時間内に応答がありませんでした。ネットワークを確認し、もう一度チェックしてくだ"
    "さい。";

// A look-up that got no answer: never a pass, and worth another try.
CheckItem unanswered(std::string title, const std::string& what) {
    return {Verdict::Caution, std::move(title),
            what + "を確認できませんでした（DNSの一時的なエラー）。", kTempAdvice};
}

std::string joined(const std::vector<std::string>& parts) {
    std::string text;
    for (const std::string& part : parts) text += (text.empty() ? "" : "、") + part;
    return text;
}

std::string domainOf(const std::string& address) {
    const std::size_t at = address.rfind('@');
    if (at == std::string::npos || at == 0 || at + 1 >= address.size()) return {};
    std::string domain = address.substr(at + 1);
    for (char& c : domain) c = text::cp932::foldAscii(c);
    return domain.find('.') == std::string::npos ? std::string() : domain;
}

CheckItem senderDomainItem(DnsClient& dns, const std::string& domain, DnsFacts& facts) {
    CheckItem item{Verdict::Ok, "送信元ドメイン（" + domain + "）の受信設定", "", ""};
    const DnsAnswer mx = dns.query(domain, kTypeMx);
    if (mx.status == DnsStatus::Found) {
        std::vector<std::string> hosts;
        for (const std::string& record : mx.records)
            hosts.push_back(record.substr(record.find(' ') + 1));
        // A null MX ("0 .") says the domain takes no mail at all.
        if (hosts.size() == 1 && hosts.front().empty()) {
            item.verdict = Verdict::Problem;
            item.finding =
                "MXレコードが「メールを受け取らない」(null MX) "
                "と宣言しています。返信やエラーメールが戻りません。";
            item.advice = "メールを受け取れるドメインのアドレスを送信元にしてください。";
            return item;
        }
        facts.senderDomainReachable = true;
        item.finding =
            "MXレコードがあります（" + joined(hosts) + "）。返信やエラーメールは戻ります。";
        return item;
    }
    bool temp = mx.status == DnsStatus::TempError;
    if (!temp) {
        for (int type : {kTypeA, kTypeAaaa}) {
            const DnsAnswer a = dns.query(domain, type);
            if (a.status == DnsStatus::TempError) temp = true;
            if (a.status != DnsStatus::Found) continue;
            facts.senderDomainReachable = true;
            item.finding = "MXレコードはありませんが、アドレス（" + a.records.front() +
                           "）があるため、返信やエラーメールはそこへ戻ります。";
            item.advice = "確実に受け取れるよう、MXレコードの設定をお勧めします。";
            return item;
        }
    }
    if (temp) return unanswered(item.title, "MXレコード");
    item.verdict = Verdict::Problem;
    item.finding =
        "MXレコードもアドレス(A/"
        "AAAA)もありません。返信やエラーメールが戻らず、受信側に拒否されることがあります。";
    item.advice = "送信元メールアドレスのドメインにMXレコードを設定してください。";
    return item;
}

// The term or name a permerror or temperror is about, in words.
std::string problemText(const spf::Evaluation& e) {
    const std::string term = "SPFレコードに誤りがあります: " + e.problemDomain + " のレコードの「" +
                             e.problemTerm + "」";
    switch (e.problem) {
        case spf::Problem::Syntax:
            return term + "は書式に合いません";
        case spf::Problem::TwoRecords:
            return "SPFレコードに誤りがあります: " + e.problemDomain +
                   " にSPFレコードが複数あります。1つにまとめる必要があります";
        case spf::Problem::LookupLimit:
            return term +
                   "でDNS参照が上限の10回を超えます。include: と redirect= の先も合わせて数えま"
                   "す";
        case spf::Problem::VoidLimit:
            return term + "で、何も見つからないDNS参照が上限の2回を超えます";
        case spf::Problem::MxLimit:
            return term + "のMXレコードが10件を超えます";
        case spf::Problem::IncludeNone:
        case spf::Problem::RedirectNone:
            return term + "の参照先にSPFレコードがありません";
        case spf::Problem::DnsTimeout:
            return e.problemDomain + " のDNS参照に応答が得られませんでした" +
                   (e.problemTerm.empty() ? "" : "（「" + e.problemTerm + "」の参照）");
        default:
            return {};
    }
}

std::string spfResultText(const SpfOutcome& spf, const std::string& domain) {
    const spf::Evaluation& e = spf.evaluation;
    std::string text = std::string("SPFの判定: ") + spf::resultName(e.result);
    if (e.problem != spf::Problem::None) {
        text += "（" + problemText(e) + "）";
    } else if (!e.mechanism.empty()) {
        text += "（判定した機構: " + e.mechanism;
        if (!e.redirect.empty() || e.mechanismDomain != domain)
            text += "、redirect=" + e.redirect + " で参照した " + e.mechanismDomain + " のレコード";
        text += "）";
    } else if (e.result == spf::Result::Neutral) {
        text += "（どの機構にも一致せず、レコードの既定の結果）";
    }
    if (!e.explanation.empty()) text += "。受信側が返す説明: 「" + e.explanation + "」";
    return text + "。" + (spf.record.empty() ? "SPFレコード: なし" : "SPFレコード: " + spf.record);
}

CheckItem spfItem(const SpfOutcome& spf, const std::string& address, const std::string& domain) {
    CheckItem item{Verdict::Problem, "SPF（" + domain + " → " + address + "）",
                   spfResultText(spf, domain), ""};
    const std::string include = "SPFレコードにこのサーバーのアドレス（" + address +
                                "）を含めてください（例: ip4: や include:）。";
    switch (spf.evaluation.result) {
        case spf::Result::Pass:
            item.verdict = Verdict::Ok;
            break;
        case spf::Result::TempError:
            item.verdict = Verdict::Caution;
            item.advice = kTempAdvice;
            break;
        case spf::Result::SoftFail:
            item.verdict = Verdict::Caution;
            item.advice = "SPFレコードはこのサーバーを「許可しない可能性が高い」としています。" +
                          include + "迷惑メールに振り分けられることがあります。";
            break;
        case spf::Result::Neutral:
            item.verdict = Verdict::Caution;
            item.advice = "SPFレコードはこのサーバーについて許可も拒否もしていません。" + include +
                          "認証のないメールとして扱われます。";
            break;
        case spf::Result::None:
            item.advice =
                "送信元ドメインにSPFレコード（v=spf1 "
                "…）を設定してください。Gmailなどは認証のないメールを拒否します。";
            break;
        case spf::Result::PermError:
            item.advice =
                "受信側はこのSPFレコードを読めず、認証の失敗として扱います。ドメインの管理者に、上"
                "の項目の修正を依頼してください。";
            break;
        case spf::Result::Fail:
            item.advice =
                "このサーバーはSPFで送信を許可されていません。SPFレコードにこのサーバーのアドレスを"
                "加えるか、許可されたサーバーから送信してください。";
            break;
    }
    return item;
}

CheckItem unjudgedItem(const std::string& title, const std::string& address, AddressKind kind) {
    return {
        Verdict::Caution, title,
        std::string("SMTPサーバーのアドレス ") + address + " は" + kindName(kind) +
            "アドレスのため、外から見た送信元を判定できません。",
        "実際にインターネットへ送り出すサーバーのアドレスで確認するか、テスト送信で受信したメールの"
        "Authentication-Results ヘッダーを確認してください。"};
}

CheckItem dmarcItem(const DmarcOutcome& dmarc, const std::string& domain, bool spfPass,
                    std::size_t gmailVolume) {
    CheckItem item{Verdict::Ok, "DMARC（" + domain + "）", "", ""};
    if (dmarc.status == DnsStatus::TempError) return unanswered(item.title, "DMARCレコード");
    if (dmarc.status != DnsStatus::Found) {
        const bool bulk = gmailVolume >= kGmailBulkSender;
        item.verdict = bulk ? Verdict::Problem : Verdict::Caution;
        item.finding = dmarc.several
                           ? dmarc.foundAt +
                                 " にDMARCレコードが複数あるため、受信側はどのポリシーも"
                                 "適用しません。"
                           : "_dmarc." + domain + " にも組織ドメイン（" +
                                 organisationalDomain(domain) + "）にもDMARCレコードがありません。";
        item.advice = dmarc.several ? "DMARCレコードを1つにまとめてください。"
                      : bulk ? "Gmail宛てが1日5,000件以上のため、DMARCレコード（v=DMARC1; "
                               "p=none から可）が必須です。設定してください。"
                             : "DMARCレコード（v=DMARC1; p=none から可）の設定をお勧めします。";
        return item;
    }
    const auto tag = [&](const char* name, const char* fallback) {
        const auto it = dmarc.tags.find(name);
        return it == dmarc.tags.end() || it->second.empty() ? std::string(fallback) : it->second;
    };
    item.finding = dmarc.foundAt + " のレコード: p=" + tag("p", "（なし）") +
                   ", sp=" + tag("sp", "（pと同じ）") + ", pct=" + tag("pct", "100") +
                   ", rua=" + tag("rua", "（なし）") + "。";
    if (dmarc.invalidTag.empty())
        item.finding += "From ドメイン（" + domain + "）には " + dmarc.policyTag + "=" +
                        dmarc.policy + " が適用されます。";
    else if (dmarc.policy.empty())
        item.finding += dmarc.invalidTag + "= が正しくないため、受信側はポリシーを適用しません。";
    else
        item.finding +=
            dmarc.invalidTag +
            "= が正しくないため、受信側は rua= があるこのレコードを p=none として扱います。";
    // The envelope sender is the From address, so relaxed alignment holds whenever SPF passes.
    item.finding +=
        spfPass
            ? "このサーバーからのSPFのpassは From ドメインと一致（relaxed）します。"
            : "このサーバーからはSPFがpassしないため、SPFによる一致（alignment）は得られません。";
    if (!dmarc.invalidTag.empty()) {
        item.verdict = Verdict::Caution;
        item.advice = "DMARCレコードの " + dmarc.invalidTag +
                      "= を none、quarantine、reject のいずれかに直してください。";
    }
    if (spfPass) return item;
    item.verdict = dmarc.policy == "reject" ? Verdict::Problem : Verdict::Caution;
    item.advice += "SPFでこのサーバーを許可するか、DKIM署名を From ドメインで行ってください。";
    if (dmarc.policy == "reject")
        item.advice +=
            "どちらも一致しないメールは受信側に拒否されます（" + dmarc.policyTag + "=reject）。";
    else if (dmarc.policy == "quarantine")
        item.advice += "どちらも一致しないメールは迷惑メールとして扱われます（" + dmarc.policyTag +
                       "=quarantine）。";
    return item;
}

CheckItem dkimItem() {
    return {
        Verdict::Caution, "DKIM",
        "DKIM署名はメールサーバーが行うため、この画面からは確認できません。",
        "テスト送信で自分宛てに送り、受信したメールの Authentication-Results ヘッダーで dkim=pass "
        "を確認してください。"};
}

CheckItem reverseItem(const ReverseOutcome& reverse, const std::string& address) {
    CheckItem item{Verdict::Ok, "逆引きDNS（" + address + "）", "", ""};
    if (!reverse.confirmed.empty()) {
        item.finding = "PTR " + reverse.confirmed + " が正引きで同じアドレスに戻ります。";
        return item;
    }
    if (reverse.status == DnsStatus::TempError || reverse.forwardTempError)
        return unanswered(item.title, "逆引き");
    item.verdict = Verdict::Problem;
    item.finding = reverse.names.empty()
                       ? "このアドレスにPTRレコードがありません。"
                       : "PTR " + joined(reverse.names) + " は正引きでこのアドレスに戻りません。";
    item.advice =
        "サーバーの管理者（回線事業者）に、正引きと一致するPTRレコードの設定を依頼してください。";
    return item;
}

}  // namespace

bool isFreeMailDomain(const std::string& domain) {
    return std::find(std::begin(kFreeMail), std::end(kFreeMail), domain) != std::end(kFreeMail);
}

std::vector<CheckItem> dnsChecks(const SendingFields& fields, std::size_t gmailVolume,
                                 DnsClient& dns, const std::atomic<bool>& stop, DnsFacts& facts) {
    std::vector<CheckItem> items;
    const std::string domain = domainOf(fields.sender);
    if (domain.empty()) {
        items.push_back(
            {Verdict::Problem, "送信元メールアドレス",
             "送信元メールアドレス「" + fields.sender + "」からドメインを読み取れません。",
             "送信元メールアドレスを正しく入力してください。"});
        return items;
    }
    items.push_back(senderDomainItem(dns, domain, facts));
    if (isFreeMailDomain(domain))
        items.push_back(
            {Verdict::Problem, "送信元ドメイン（" + domain + "）",
             domain +
                 " はフリーメールのドメインです。大量送信はこのドメインのDMARCにより拒否されます。",
             "自社のドメインのアドレスを送信元にしてください。"});
    else
        items.push_back({Verdict::Ok, "送信元ドメイン（" + domain + "）",
                         "フリーメールのドメインではありません。", ""});
    if (stop) return items;

    const ServerAddresses server = resolveServer(dns, fields.server);
    const std::string serverTitle = "SMTPサーバー（" + fields.server + "）";
    if (server.addresses.empty() && server.tempError)
        items.push_back(unanswered(serverTitle, "アドレス"));
    else if (server.addresses.empty())
        items.push_back({Verdict::Problem, serverTitle,
                         "SMTPサーバーアドレスからアドレスが見つかりません。",
                         "SMTPサーバーアドレスを確認してください。"});
    facts.spfPass = !server.addresses.empty();
    // %{h} stands for the name the tool greets this server with.
    std::vector<std::string> pinned;
    const std::string helo = server.addresses.empty() ? "" : smtp::ehloName(fields.server, pinned);
    std::vector<std::pair<std::string, AddressKind>> kinds;
    for (const std::string& address : server.addresses) {
        if (stop) return items;
        const AddressKind kind = addressKind(address);
        kinds.emplace_back(address, kind);
        if (!judgedFromOutside(kind)) {
            facts.spfPass = false;
            items.push_back(unjudgedItem("SPF（" + domain + " → " + address + "）", address, kind));
            continue;
        }
        const SpfOutcome spf = checkSpf(dns, address, fields.sender, helo);
        facts.spfPass = facts.spfPass && spf.evaluation.result == spf::Result::Pass;
        items.push_back(spfItem(spf, address, domain));
    }
    if (stop) return items;
    const DmarcOutcome dmarc = findDmarc(dns, domain);
    facts.dmarcFound = dmarc.status == DnsStatus::Found;
    items.push_back(dmarcItem(dmarc, domain, facts.spfPass, gmailVolume));
    items.push_back(dkimItem());
    facts.reverseConfirmed = !kinds.empty();
    for (const auto& [address, kind] : kinds) {
        if (stop) return items;
        if (!judgedFromOutside(kind)) {
            facts.reverseConfirmed = false;
            items.push_back(unjudgedItem("逆引きDNS（" + address + "）", address, kind));
            continue;
        }
        const ReverseOutcome reverse = checkReverse(dns, address);
        facts.reverseConfirmed = facts.reverseConfirmed && !reverse.confirmed.empty();
        items.push_back(reverseItem(reverse, address));
    }
    return items;
}

}  // namespace precheck
