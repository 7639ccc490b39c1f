#include "smtp/send_report.h"

namespace smtp {

Report describeSend(const SendRequest& request, const SendResult& result) {
    Report report = describe(request, result);
    switch (result.failure) {
        case Failure::None:
            report.headline = "テストメールを送信しました（SMTPサーバーが受け付けました）。";
            report.facts.push_back("・宛先: " + printable(request.to));
            report.serverReply = printable(result.acceptedReply);
            break;
        case Failure::SenderRefused:
            report.headline = "SMTPサーバーが送信元メールアドレスを受け付けませんでした。";
            report.advice =
                "送信元メールアドレスが、このSMTPサーバー（とSMTP-AUTH用ﾕｰｻﾞｰID）から送信できる"
                "アドレスかを確かめてください。";
            break;
        case Failure::RecipientRefused:
            report.headline = "SMTPサーバーが宛先のメールアドレスを受け付けませんでした。";
            report.advice =
                "宛先の綴りと、このSMTPサーバーがその宛先へ中継するか（SMTP-AUTHが必要か）を確か"
                "めてください。";
            break;
        case Failure::MessageRefused:
            report.headline = "SMTPサーバーがメールの内容を受け付けませんでした。";
            report.advice =
                "下のサーバーの応答を読んでください。メールが大きすぎる場合や、内容が拒否された場"
                "合があります。";
            break;
        case Failure::Cancelled:
            report.headline = "テスト送信を中止しました。";
            break;
        case Failure::Other:
            report.headline = "テスト送信に失敗しました。";
            break;
        default:
            return report;  // the connection test's own words
    }
    return report;
}

}  // namespace smtp
