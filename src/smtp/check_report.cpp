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
    const std::string how = request.port == kImplicitTlsPort ? "ポート465の接続時TLS" : "STARTTLS";
    return "・暗号化: " + result.tlsVersion + "（" + how + "）";
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
            report.headline = "SMTPサーバーがTLS（STARTTLS）に対応していません。";
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
        case Failure::AuthRefused:
            report.headline = "認証が拒否されました。ユーザーIDかパスワードが間違っています。";
            report.advice = "SMTP-AUTH用ﾕｰｻﾞｰIDとﾊﾟｽﾜｰﾄﾞを確かめてください。";
            break;
        case Failure::AuthNotOffered:
            report.headline = "SMTPサーバーがこの接続でSMTP-AUTHを受け付けていません。";
            report.advice =
                "SMTP送信タイプを「SMTP」にするか、SMTP-"
                "AUTHを受け付けるポート（587など）を指定してください。";
            break;
        case Failure::ServerRefused:
            report.headline = "SMTPサーバーが想定外の応答を返したか、接続を切りました。";
            report.advice =
                "下のサーバーの応答を読み、SMTPサーバーアドレスとポート番号を確かめてください。";
            break;
        case Failure::Cancelled:
            report.headline = "接続テストを中止しました。";
            return;
        case Failure::None:
        case Failure::Other:
            report.headline = "接続テストに失敗しました。";
            report.advice = "SMTPサーバーアドレスとポート番号を確かめてください。";
            break;
    }
    if (result.connected) report.facts.push_back("・到達: " + target(request) + " に接続しました");
    if (!result.tlsVersion.empty()) report.facts.push_back(tlsFact(request, result));
    report.serverReply = printable(telling(result.serverLines));
    if (result.failure != Failure::AuthRefused && result.failure != Failure::NameNotFound)
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
