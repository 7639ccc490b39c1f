#include "smtp/mail_send.h"

#include "smtp/smtp_session.h"

namespace smtp {

bool envelopeAddressOk(const std::string& address) {
    if (address.empty()) return false;
    for (const char c : address) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte <= 0x20 || byte == 0x7F || c == '<' || c == '>' || c == ',') return false;
    }
    return true;
}

std::string dataForm(const std::string& message) {
    std::string data;
    data.reserve(message.size() + message.size() / 64 + 8);
    bool lineStart = true;
    for (std::size_t i = 0; i < message.size(); ++i) {
        if (lineStart && message[i] == '.') data += '.';
        data += message[i];
        lineStart = message[i] == '\n' && i > 0 && message[i - 1] == '\r';
    }
    if (!message.empty() && !lineStart) data += "\r\n";
    data += ".\r\n";
    return data;
}

SendResult send(const SendRequest& request, const std::atomic<bool>& cancel) {
    SendResult result;
    if (!envelopeAddressOk(request.from) || !envelopeAddressOk(request.to)) {
        result.failure = Failure::BadEnvelope;
        return result;
    }
    Session session(request, cancel);
    Reply reply;
    // Each step: its command, the reply it needs, and what a refusal means.
    const struct {
        std::string bytes;
        int wanted;
        Failure refused;
    } steps[] = {
        {"MAIL FROM:<" + request.from + ">\r\n", 2, Failure::SenderRefused},
        {"RCPT TO:<" + request.to + ">\r\n", 2, Failure::RecipientRefused},
        {"DATA\r\n", 3, Failure::MessageRefused},
        {dataForm(request.message), 2, Failure::MessageRefused},
    };
    if (session.open(result) && session.logIn(result)) {
        bool ok = true;
        for (const auto& step : steps) {
            if (!session.sendThenRead(step.bytes, reply, result)) {
                ok = false;
                break;
            }
            if (reply.code / 100 != step.wanted) {
                ok = session.refuse(step.refused, reply, result);
                break;
            }
        }
        if (ok) {
            result.failure = Failure::None;
            result.acceptedReply = reply.last;
            session.quit();
        }
    }
    session.finish(result);
    return result;
}

}  // namespace smtp
