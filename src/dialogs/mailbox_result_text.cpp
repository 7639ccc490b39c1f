#include "dialogs/mailbox_result_text.h"

#include "mailbox/mailbox_reader.h"
#include "smtp/check_report.h"

namespace mailboxtext {

namespace {

QString headline(smtp::Failure failure) {
    using smtp::Failure;
    switch (failure) {
        case Failure::NameNotFound:
            return QStringLiteral(
                "受信サーバー名が見つかりません。サーバー名の綴りを確かめてください。");
        case Failure::ConnectionRefused:
            return QStringLiteral(
                "受信サーバーに接続できません（接続拒否）。サーバー名とポート番号を確かめてください"
                "。");
        case Failure::Timeout:
            return QStringLiteral(
                "受信サーバーが時間内に応答しませんでした。サーバー名とポート番号を確かめてください"
                "。");
        case Failure::TlsRequired:
            return QStringLiteral(
                "受信サーバーがTLS（STARTTLS）に対応していません。パスワードは送信していません。"
                "ポート993（IMAP）か995（POP3）を試してください。");
        case Failure::TlsFailed:
            return QStringLiteral(
                "TLSの接続を確立できませんでした。ポート番号を確かめてください。");
        case Failure::CertificateUnknownIssuer:
            return QStringLiteral(
                "受信サーバーの証明書を信頼できません。証明書を発行した認証局が不明です。");
        case Failure::CertificateNameMismatch:
            return QStringLiteral(
                "受信サーバーの証明書の名前がサーバー名と一致しません。"
                "証明書に書かれたサーバー名を入力してください。");
        case Failure::CertificateUntrusted:
            return QStringLiteral("受信サーバーの証明書を信頼できません。");
        case Failure::AuthRefused:
            return QStringLiteral(
                "ログインが拒否されました。ユーザーIDかパスワードが間違っています。");
        case Failure::ServerRefused:
            return QStringLiteral(
                "受信サーバーが要求を受け付けなかったか、接続を切りました。"
                "IMAPではフォルダー名も確かめてください。");
        case Failure::UnexpectedReply:
            return QStringLiteral("受信サーバーが想定外の応答を返しました。");
        default:
            return QStringLiteral("受信サーバーとのやり取りに失敗しました。");
    }
}

}  // namespace

QString failureText(const mailbox::Outcome& outcome) {
    QString text = headline(outcome.failure);
    if (!outcome.serverLine.empty())
        text += QStringLiteral("\n\nサーバーの応答: ") +
                QString::fromStdString(smtp::printable(outcome.serverLine));
    return text;
}

Outcome check(const mailbox::Endpoint& endpoint, const std::string& folder,
              const std::atomic<bool>& stop) {
    Outcome outcome;
    try {
        std::string tls;
        const std::size_t count = mailbox::checkMailbox(endpoint, folder, stop, tls);
        outcome.ok = true;
        outcome.text =
            QStringLiteral("受信サーバーにログインできました。\n・暗号化: %1\n・メール: %2 通")
                .arg(QString::fromStdString(tls))
                .arg(count);
    } catch (const mailbox::WireFailure& thrown) {
        outcome.cancelled = thrown.outcome.failure == smtp::Failure::Cancelled;
        outcome.text = failureText(thrown.outcome);
    }
    return outcome;
}

}  // namespace mailboxtext
