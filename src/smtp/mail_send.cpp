#include "smtp/mail_send.h"

#include "smtp/reply_class.h"
#include "smtp/smtp_session.h"
#include "text/line_steps.h"

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
    // Every line end, lone LF and lone CR included, goes out as CR LF, so a dot after any of
    // them starts a line for the server too.
    // A NUL stays in the data: the message is sent whole, not cut where a stored line would be.
    text::lines::forEachLine(message, [&data](std::size_t, std::string_view line) {
        if (!line.empty() && line[0] == '.') data += '.';
        data.append(line.data(), line.size());
        data += "\r\n";
    });
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
        const char* name;
        std::string bytes;
        bool (*wanted)(int code);
        Failure refused;
    } steps[] = {
        {"MAIL FROM", "MAIL FROM:<" + request.from + ">\r\n", isPositive, Failure::SenderRefused},
        {"RCPT TO", "RCPT TO:<" + request.to + ">\r\n", isPositive, Failure::RecipientRefused},
        {"DATA", "DATA\r\n", isIntermediate, Failure::MessageRefused},
        {"本文の送信", dataForm(request.message), isPositive, Failure::MessageRefused},
    };
    if (session.open(result) && session.logIn(result)) {
        bool ok = true;
        for (const auto& step : steps) {
            if (!session.sendThenRead(step.name, step.bytes, reply, result)) {
                ok = false;
                break;
            }
            if (!step.wanted(reply.code)) {
                ok = session.refuse(step.refused, reply, result);
                break;
            }
        }
        if (ok && session.succeed(result)) result.acceptedReply = reply.last;
    }
    session.finish(result);
    return result;
}

}  // namespace smtp
