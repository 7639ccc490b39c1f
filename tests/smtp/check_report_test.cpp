// What the user is told: libcurl's results, refusals and the report texts.
#include <curl/curl.h>
#include <gtest/gtest.h>

#include "smtp/check_report.h"
#include "smtp/server_address.h"
#include "smtp/smtp_check.h"

namespace {

using smtp::Failure;
using smtp::Refusal;

TEST(SmtpCheckClassify, MapsLibcurlResultsToWhatFailed) {
    using Lines = std::vector<std::string>;
    const Lines greeted = {"220 ready", "250 HELP"};
    const Lines accepted = {"220 ready", "250 HELP", "235 2.7.0 Authentication successful"};
    const Lines refused = {"220 ready", "250 HELP", "535 5.7.8 Authentication credentials invalid"};
    const struct {
        int code;
        bool authAsked;
        Lines lines;
        Failure expected;
        std::string curlText = "";
    } cases[] = {
        {CURLE_OK, false, greeted, Failure::None},
        {CURLE_OK, true, accepted, Failure::None},
        {CURLE_OK, true, greeted, Failure::AuthNotOffered},  // libcurl skipped AUTH silently
        {CURLE_LOGIN_DENIED, true, refused, Failure::AuthRefused},
        {CURLE_LOGIN_DENIED, true, greeted, Failure::AuthNotOffered},  // no mechanism it knows
        {CURLE_COULDNT_RESOLVE_HOST, false, {}, Failure::NameNotFound},
        {CURLE_COULDNT_CONNECT, false, {}, Failure::ConnectionRefused},
        {CURLE_OPERATION_TIMEDOUT, false, {}, Failure::Timeout},
        {CURLE_USE_SSL_FAILED, true, greeted, Failure::TlsRequired},
        {CURLE_SSL_CONNECT_ERROR, false, {}, Failure::TlsFailed},
        {CURLE_PEER_FAILED_VERIFICATION, false, greeted, Failure::CertificateUntrusted},
        {CURLE_PEER_FAILED_VERIFICATION, false, greeted, Failure::CertificateUnknownIssuer,
         "SSL certificate problem: unable to get local issuer certificate"},
        {CURLE_PEER_FAILED_VERIFICATION, false, greeted, Failure::CertificateNameMismatch,
         "SSL: no alternative certificate subject name matches target host name 'mx.example.com'"},
        {CURLE_PEER_FAILED_VERIFICATION, false, greeted, Failure::CertificateNameMismatch,
         "SSL: certificate subject name 'a.example' does not match target host name 'b'"},
        {CURLE_ABORTED_BY_CALLBACK, false, {}, Failure::Cancelled},
        {CURLE_WEIRD_SERVER_REPLY, false, {"554 go away"}, Failure::ServerRefused},
        {CURLE_GOT_NOTHING, false, {}, Failure::ServerRefused},
        {CURLE_OUT_OF_MEMORY, false, {}, Failure::Other},
    };
    for (const auto& c : cases)
        EXPECT_EQ(smtp::classify(c.code, c.authAsked, c.lines, c.curlText), c.expected)
            << "curl code " << c.code;
}

TEST(SmtpCheckReport, EachFailureSaysWhatFailedAndWhatToCheck) {
    smtp::Request request;
    request.server = "mail.example.com";
    request.port = 587;
    const struct {
        int code;
        const char* headlinePart;
        const char* advicePart;
    } cases[] = {
        {CURLE_COULDNT_RESOLVE_HOST, "サーバー名が見つかりません", "綴り"},
        {CURLE_COULDNT_CONNECT, "mail.example.com:587 に接続できません", "ポート番号"},
        {CURLE_OPERATION_TIMEDOUT, "時間切れ", "ファイアウォール"},
        {CURLE_USE_SSL_FAILED, "STARTTLS", "587または465"},
        {CURLE_SSL_CONNECT_ERROR, "TLSの接続を確立できません", "ポート465"},
        {CURLE_PEER_FAILED_VERIFICATION, "証明書を信頼できません", "認証局"},
        {CURLE_LOGIN_DENIED, "パスワードが間違っています", "ﾊﾟｽﾜｰﾄﾞ"},
        {CURLE_WEIRD_SERVER_REPLY, "想定外の応答", "サーバーの応答"},
    };
    for (const auto& c : cases) {
        smtp::Result result;
        result.curlCode = c.code;
        result.serverLines = {"220 ready", "535 no"};
        result.failure = smtp::classify(c.code, true, result.serverLines);
        result.curlText = "libcurl says";
        const smtp::Report report = smtp::describe(request, result);
        EXPECT_FALSE(report.ok);
        EXPECT_NE(report.headline.find(c.headlinePart), std::string::npos) << report.headline;
        EXPECT_NE(report.advice.find(c.advicePart), std::string::npos) << report.advice;
    }
}

TEST(SmtpCheckReport, RepliesToAuthSayWhatTheServerWants) {
    const struct {
        const char* reply;
        Failure expected;
        const char* text;  // in the headline or the advice
    } cases[] = {
        {"535 5.7.8 Authentication credentials invalid", Failure::AuthRefused,
         "ユーザーIDかパスワードが間違っています"},
        {"500 5.7.8 Username and Password not accepted", Failure::AuthRefused,
         "ユーザーIDかパスワードが間違っています"},
        {"454 4.7.0 Temporary authentication failure", Failure::AuthTemporary,
         "しばらくしてから再度お試しください"},
        {"421 4.7.0 Try again later", Failure::AuthTemporary, "しばらくしてから再度お試しください"},
        {"534 5.7.9 Application-specific password required", Failure::AuthOtherMethod,
         "アプリパスワード"},
        {"530 5.7.0 Must issue a STARTTLS command first", Failure::AuthNeedsEncryption, "暗号化"},
        {"538 5.7.11 Encryption required", Failure::AuthNeedsEncryption, "暗号化"},
        {"504 5.5.4 Unrecognized authentication type", Failure::AuthFailed, "認証を受け付けません"},
    };
    smtp::Request request;
    request.server = "mail.example.com";
    for (const auto& c : cases) {
        smtp::Result result;
        result.failure = smtp::authFailure(c.reply);
        EXPECT_EQ(result.failure, c.expected) << c.reply;
        result.reply = c.reply;
        result.serverLines = {"220 ready", "250 AUTH PLAIN", c.reply, "221 Bye"};
        const smtp::Report report = smtp::describe(request, result);
        EXPECT_NE((report.headline + report.advice).find(c.text), std::string::npos)
            << c.reply << ": " << report.headline << report.advice;
        if (c.expected != Failure::AuthRefused)
            EXPECT_EQ(report.headline.find("パスワードが間違"), std::string::npos) << c.reply;
        EXPECT_EQ(report.serverReply, c.reply);
    }
}

TEST(SmtpCheckReport, FailureBoxListsOnlyWhatSucceeded) {
    smtp::Request request;
    request.server = "127.0.0.1";
    smtp::Result result;
    result.connected = true;
    result.tlsVersion = "TLSv1.3";
    result.serverLines = {"220 ready", "250-PIPELINING", "250 CHUNKING"};
    const std::vector<std::string> reachedOnly = {"・到達: 127.0.0.1:25 に接続しました"};
    for (Failure failure : {Failure::CertificateUnknownIssuer, Failure::CertificateNameMismatch,
                            Failure::TlsFailed}) {
        result.failure = failure;
        const smtp::Report report = smtp::describe(request, result);
        EXPECT_EQ(report.facts, reachedOnly) << report.headline;
        if (failure != Failure::TlsFailed)  // which certificate fault, said in Japanese
            EXPECT_NE(report.headline.find("。証明書"), std::string::npos) << report.headline;
    }
    // Refused before AUTH for want of TLS: nothing the server said is to blame.
    result.failure = Failure::TlsRequired;
    result.tlsVersion.clear();
    const smtp::Report report = smtp::describe(request, result);
    EXPECT_NE(report.headline.find("パスワードは送信していません"), std::string::npos);
    EXPECT_EQ(report.serverReply, "");
}

TEST(SmtpCheckReport, RefusedAuthShowsTheServersOwnLine) {
    smtp::Request request;
    request.server = "127.0.0.1";
    smtp::Result result;
    result.failure = Failure::AuthRefused;
    result.connected = true;
    result.tlsVersion = "TLSv1.3";
    result.serverLines = {"220 ready", "250 HELP", "535 5.7.8 Authentication credentials invalid",
                          "221 Bye"};
    const smtp::Report report = smtp::describe(request, result);
    EXPECT_EQ(report.serverReply, "535 5.7.8 Authentication credentials invalid");
    EXPECT_EQ(report.facts, (std::vector<std::string>{"・到達: 127.0.0.1:25 に接続しました",
                                                      "・暗号化: TLSv1.3（STARTTLS）"}));
}

TEST(SmtpCheckReport, SuccessSaysReachedTlsAndAuthenticated) {
    smtp::Request request;
    request.server = "::1";
    request.port = 465;
    smtp::Result result;
    result.failure = Failure::None;
    result.tlsVersion = "TLSv1.2";
    result.authenticated = true;
    const smtp::Report report = smtp::describe(request, result);
    EXPECT_TRUE(report.ok);
    EXPECT_EQ(report.facts, (std::vector<std::string>{"・到達: [::1]:465 に接続しました",
                                                      "・暗号化: TLSv1.2（ポート465の接続時TLS）",
                                                      "・認証: 成功しました"}));
    result.tlsVersion.clear();
    result.authenticated = false;
    EXPECT_EQ(smtp::describe(request, result).facts.at(1),
              "・暗号化: なし（TLSは使われていません）");
}

TEST(SmtpCheckReport, TellingLineAndPrintableText) {
    EXPECT_EQ(smtp::telling({}), "");
    EXPECT_EQ(smtp::telling({"220 hi", "250 ok"}), "250 ok");
    EXPECT_EQ(smtp::telling({"220 hi", "454 busy", "221 bye"}), "454 busy");
    EXPECT_EQ(smtp::printable("535 a\tb\x1b[2Jc\x7f"), "535 a?b?[2Jc?");
}

TEST(SmtpCheckFields, RefusesWhatIsNotWorthTrying) {
    const struct {
        const char* server;
        const char* port;
        bool auth;
        const char* user;
        std::optional<Refusal> expected;
    } cases[] = {
        {"mail.example.com", "25", false, "", std::nullopt},
        {"  mail.example.com ", " 587 ", true, "taro", std::nullopt},
        {"127.0.0.1", "9999", false, "", std::nullopt},
        {"::1", "1", false, "", std::nullopt},
        {"[2001:db8::1]", "25", false, "", std::nullopt},
        {"メール.example.jp", "25", false, "", std::nullopt},
        {"", "25", false, "", Refusal::EmptyServer},
        {" \t", "25", false, "", Refusal::EmptyServer},
        {"mail.example.com/x", "25", false, "", Refusal::BadServer},
        {"user@mail.example.com", "25", false, "", Refusal::BadServer},
        {"mail.example.com:25", "25", false, "", Refusal::BadServer},
        {"mail example.com", "25", false, "", Refusal::BadServer},
        {"mail.example.com", "", false, "", Refusal::BadPort},
        {"mail.example.com", "0", false, "", Refusal::BadPort},
        {"mail.example.com", "10000", false, "", Refusal::BadPort},
        {"mail.example.com", "-25", false, "", Refusal::BadPort},
        {"mail.example.com", "2a", false, "", Refusal::BadPort},
        {"mail.example.com", "587", true, " ", Refusal::NoUser},
    };
    for (const auto& c : cases)
        EXPECT_EQ(smtp::refusalFor(c.server, c.port, c.auth, c.user), c.expected)
            << "'" << c.server << "' '" << c.port << "'";
    EXPECT_EQ(smtp::targetFor(" mail.example.com ", " 0587").port, 587);
    EXPECT_EQ(smtp::targetFor(" mail.example.com ", "587").server, "mail.example.com");
    EXPECT_EQ(smtp::refusalText(Refusal::EmptyServer), "SMTPサーバーアドレスを入力してください。");
    EXPECT_EQ(smtp::refusalText(Refusal::BadPort),
              "ポートには1から9999までの数字を入力してください。");
}

TEST(SmtpCheckFields, Ipv6AddressesGoInBrackets) {
    EXPECT_EQ(smtp::hostForUrl("::1"), "[::1]");
    EXPECT_EQ(smtp::hostForUrl("[::1]"), "[::1]");
    EXPECT_EQ(smtp::hostForUrl("mail.example.com"), "mail.example.com");
    EXPECT_EQ(smtp::hostForUrl("127.0.0.1"), "127.0.0.1");
}

}  // namespace
