#include "smtp/smtp_check.h"

#include <curl/curl.h>

#include <algorithm>
#include <cstdlib>

#include "smtp/reply_class.h"
#include "smtp/smtp_session.h"

namespace smtp {

namespace {

bool isAuthOk(const std::string& line) {
    return replyCode(line) == 235;
}

bool contains(const std::string& text, const char* part) {
    return text.find(part) != std::string::npos;
}

Failure certificateFailure(const std::string& curlText) {
    if (contains(curlText, "does not match target host name") ||
        contains(curlText, "no alternative certificate subject name matches"))
        return Failure::CertificateNameMismatch;
    if (contains(curlText, "unable to get local issuer certificate") ||
        contains(curlText, "unable to get issuer certificate") ||
        contains(curlText, "self-signed certificate") ||
        contains(curlText, "self signed certificate"))
        return Failure::CertificateUnknownIssuer;
    return Failure::CertificateUntrusted;
}

}  // namespace

Failure classify(int curlCode, bool authAsked, const std::vector<std::string>& serverLines,
                 const std::string& curlText) {
    const bool authAccepted = std::any_of(serverLines.begin(), serverLines.end(),
                                          [](const std::string& line) { return isAuthOk(line); });
    const std::string reply = telling(serverLines);
    const bool refused = isRefusal(reply);
    switch (curlCode) {
        case CURLE_OK:
            return authAsked && !authAccepted ? Failure::AuthNotOffered : Failure::None;
        case CURLE_COULDNT_RESOLVE_HOST:
            return Failure::NameNotFound;
        case CURLE_COULDNT_CONNECT:
            return Failure::ConnectionRefused;
        case CURLE_OPERATION_TIMEDOUT:
            return Failure::Timeout;
        case CURLE_USE_SSL_FAILED:
            return Failure::TlsRequired;
        case CURLE_SSL_CONNECT_ERROR:
            return Failure::TlsFailed;
        case CURLE_PEER_FAILED_VERIFICATION:
            return certificateFailure(curlText);
        case CURLE_LOGIN_DENIED:
            return refused ? authFailure(reply) : Failure::AuthNotOffered;
        case CURLE_ABORTED_BY_CALLBACK:
            return Failure::Cancelled;
        case CURLE_WEIRD_SERVER_REPLY:
        case CURLE_GOT_NOTHING:
        case CURLE_RECV_ERROR:
        case CURLE_SEND_ERROR:
            return Failure::ServerRefused;
        default:
            return Failure::Other;
    }
}

std::string caFileFor(const std::string& requested) {
    if (!requested.empty()) return requested;
    const char* variable = std::getenv(kCaFileVariable);
    return variable ? std::string(variable) : std::string();
}

Failure authFailure(const std::string& replyLine) {
    const int code = replyCode(replyLine);
    if (code == 535 || contains(replyLine, " 5.7.8")) return Failure::AuthRefused;
    if (isTransient(code)) return Failure::AuthTemporary;
    if (code == 534) return Failure::AuthOtherMethod;
    if (code == 530 || code == 538) return Failure::AuthNeedsEncryption;
    return Failure::AuthFailed;
}

std::string lastRefusal(const std::vector<std::string>& serverLines) {
    for (auto line = serverLines.rbegin(); line != serverLines.rend(); ++line)
        if (isRefusal(*line)) return *line;
    return {};
}

std::string telling(const std::vector<std::string>& serverLines) {
    const std::string refusal = lastRefusal(serverLines);
    if (!refusal.empty() || serverLines.empty()) return refusal;
    return serverLines.back();
}

Result run(const Request& request, const std::atomic<bool>& cancel) {
    Result result;
    Session session(request, cancel);
    Reply reply;
    if (session.open(result) && session.logIn(result) &&
        session.command("NOOP", "NOOP", reply, result)) {
        if (!isPositive(reply.code)) {
            session.refuse(Failure::ServerRefused, reply, result);
        } else {
            session.succeed(result);
        }
    }
    session.finish(result);
    return result;
}

}  // namespace smtp
