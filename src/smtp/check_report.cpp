#include "smtp/check_report.h"

namespace smtp {

namespace {

std::string target(const Request& request) {
    return hostForUrl(request.server) + ":" + std::to_string(request.port);
}

std::string seconds(const Request& request) {
    return std::to_string((request.stepTimeout.count() + 999) / 1000) + "秒";
}

std::string tlsFact(const Request& request, const Result& result) {
    if (result.tlsVersion.empty()) return "・暗号化: なし（TLSは使われていません）";
    const std::string how = request.port == request.implicitTlsPort
                                ? "ポート" + std::to_string(request.port) + "の接続時TLS"
                                : std::string("STARTTLS");
    return "・暗号化: " + result.tlsVersion + "（" + how + "）";
}

// The reply to the failing step; else the last refusing line (a refused STARTTLS explains
// a missing TLS), never a line that agreed to something.
std::string replyBehind(const Result& result) {
    return result.reply.empty() ? lastRefusal(result.serverLines) : result.reply;
}

const char* const kReadTheReply =
    "下のサーバーの応答を読み、SMTPサーバーアドレスとポート番号を確かめてください。";

// The name the server was greeted with: servers that want a qualified one refuse mail.
void addEhloFact(const Result& result, Report& report) {
    if (!result.ehloName.empty())
        report.facts.push_back("・名乗った名前（EHLO）: " + printable(result.ehloName));
}

void describeFailure(const Request& request, const Result& result, Report& report) {
    switch (result.failure) {
        case Failure::NameNotFound:
            report.headline = "SMTPサーバー名が見つかりません。";
            report.advice = "SMTPサーバーアドレスの綴りを確かめてください。";
            break;
        case Failure::ConnectionRefused:
            report.headline = "SMTPサーバー " + target(request) + " に接続できません（接続拒否）。";
            report.advice = "SMTPサーバーアドレスとポート番号を確かめてください。";
            break;
        case Failure::Timeout:
            if (result.connected) {
                report.headline =
                    "SMTPサーバーが" + seconds(request) + "以内に応答しませんでした（時間切れ）。";
                report.advice =
                    "ポート番号を確かめてください。ポート465は接続時からTLS、それ以外はSTARTTLSを使"
                    "います。";
            } else {
                report.headline = "SMTPサーバー " + target(request) + " に" + seconds(request) +
                                  "以内に接続できませんでした（時間切れ）。";
                report.advice =
                    "SMTPサーバーアドレスとポート番号、ファイアウォールの設定を確かめてください。";
            }
            break;
        case Failure::TlsRequired:
            report.headline =
                "SMTPサーバーがTLS（STARTTLS）に対応していません。パスワードは送信していません。";
            report.advice =
                "SMTP-"
                "AUTHは暗号化した接続でのみ行います。ポート番号（587または465）を確かめてください"
                "。";
            break;
        case Failure::TlsFailed:
            report.headline = "TLSの接続を確立できませんでした。";
            report.advice =
                "ポート番号を確かめてください。ポート465は接続時からTLS、それ以外はSTARTTLSを使いま"
                "す。";
            break;
        case Failure::CertificateUntrusted:
            report.headline = "SMTPサーバーの証明書を信頼できません。";
            report.advice =
                "SMTPサーバーアドレスが証明書の名前と一致しているか、証明書が信頼された認証局のもの"
                "かを確かめてください。";
            break;
        case Failure::CertificateUnknownIssuer:
            report.headline =
                "SMTPサーバーの証明書を信頼できません。証明書を発行した認証局が不明です。";
            report.advice =
                "証明書が信頼された認証局のものかをサーバーの管理者に確かめてください（自己署名の"
                "証明書は使えません）。";
            break;
        case Failure::CertificateNameMismatch:
            report.headline =
                "SMTPサーバーの証明書を信頼できません。証明書の名前がSMTPサーバーアドレスと一致"
                "しません。";
            report.advice =
                "SMTPサーバーアドレスには、証明書に書かれたサーバー名を入力してください（IPアドレ"
                "スや別名ではなく）。";
            break;
        case Failure::AuthRefused:
            report.headline = "認証が拒否されました。ユーザーIDかパスワードが間違っています。";
            report.advice = "SMTP-AUTH用ﾕｰｻﾞｰIDとﾊﾟｽﾜｰﾄﾞを確かめてください。";
            break;
        case Failure::AuthTemporary:
            report.headline = "SMTPサーバーが一時的に認証を受け付けませんでした。";
            report.advice =
                "サーバー側の一時的な障害です（ログインの失敗が続いた後などに起こります）。しばらく"
                "してから再度お試しください。";
            break;
        case Failure::AuthOtherMethod:
            report.headline = "SMTPサーバーが別の方法での認証を求めています。";
            report.advice =
                "アプリパスワードなど、メールソフト用の認証方法が必要か、サーバーの管理者またはメー"
                "ルサービスの設定を確かめてください。";
            break;
        case Failure::AuthNeedsEncryption:
            report.headline = "SMTPサーバーが暗号化した接続での認証を求めています。";
            report.advice = "ポート番号（587または465）を確かめてください。";
            break;
        case Failure::AuthFailed:
            report.headline = "SMTPサーバーが認証を受け付けませんでした。";
            report.advice =
                "下のサーバーの応答を読み、SMTP-AUTH用ﾕｰｻﾞｰIDとﾊﾟｽﾜｰﾄﾞ、ポート番号を確かめてくださ"
                "い。";
            break;
        case Failure::AuthNotOffered:
            report.headline = "SMTPサーバーがこの接続でSMTP-AUTHを受け付けていません。";
            report.advice =
                "SMTP送信タイプを「SMTP」にするか、SMTP-"
                "AUTHを受け付けるポート（587など）を指定してください。";
            break;
        case Failure::ServerRefused:
            report.headline = "SMTPサーバーが想定外の応答を返したか、接続を切りました。";
            report.advice = kReadTheReply;
            break;
        case Failure::UnexpectedReply:
            report.headline =
                "SMTPサーバーが想定外の応答を返しました。やり取りの順序が崩れたため、接続を切り"
                "ました。";
            report.advice = kReadTheReply;
            break;
        case Failure::Cancelled:
            report.headline = "接続テストを中止しました。";
            return;
        case Failure::BadEnvelope:
            report.headline = "メールアドレスに使用できない文字が含まれています。";
            report.advice = "送信元メールアドレスと宛先を確かめてください。";
            return;
        case Failure::SenderRefused:
        case Failure::RecipientRefused:
        case Failure::MessageRefused:
        case Failure::None:
        case Failure::Other:
            report.headline = "接続テストに失敗しました。";
            report.advice = "SMTPサーバーアドレスとポート番号を確かめてください。";
            break;
    }
    if (result.connected) report.facts.push_back("・到達: " + target(request) + " に接続しました");
    if (result.connected) addEhloFact(result, report);
    if (!result.step.empty()) report.facts.push_back("・失敗した手順: " + printable(result.step));
    const bool tlsBroken = result.failure == Failure::TlsFailed ||
                           result.failure == Failure::CertificateUntrusted ||
                           result.failure == Failure::CertificateUnknownIssuer ||
                           result.failure == Failure::CertificateNameMismatch;
    if (!result.tlsVersion.empty() && !tlsBroken) report.facts.push_back(tlsFact(request, result));
    if (result.authenticated) report.facts.push_back("・認証: 成功しました");
    report.serverReply = printable(replyBehind(result));
    // After a reply of the server, libcurl's text adds nothing.
    if (result.failure != Failure::NameNotFound && result.reply.empty() && result.curlCode != 0)
        report.detail = printable(result.curlText);
}

}  // namespace

Report describe(const Request& request, const Result& result) {
    Report report;
    if (result.failure != Failure::None) {
        describeFailure(request, result, report);
        return report;
    }
    report.ok = true;
    report.headline = "SMTPサーバーへの接続テストに成功しました（メールは送信していません）。";
    report.facts.push_back("・到達: " + target(request) + " に接続しました");
    addEhloFact(result, report);
    report.facts.push_back(tlsFact(request, result));
    if (result.authenticated) report.facts.push_back("・認証: 成功しました");
    return report;
}

std::string refusalText(Refusal refusal) {
    switch (refusal) {
        case Refusal::EmptyServer:
            return "SMTPサーバーアドレスを入力してください。";
        case Refusal::BadServer:
            return "SMTPサーバーアドレスに使用できない文字が入力されています。";
        case Refusal::BadPort:
            return "ポートには1から9999までの数字を入力してください。";
        case Refusal::NoUser:
            return "SMTP-AUTH用ﾕｰｻﾞｰIDを入力してください。";
    }
    return {};
}

std::string printable(const std::string& line) {
    std::string text = line;
    for (char& c : text)
        if (static_cast<unsigned char>(c) < 0x20 || c == 0x7F) c = '?';
    return text;
}

}  // namespace smtp
