#pragma once

#include <ctime>
#include <functional>
#include <optional>
#include <stdexcept>
#include <string>

// The test mail as the campaign would send it: the whole message, ready for SMTP DATA.
namespace smtp {

// The window's fields as they stand, UTF-8.
struct MailFields {
    std::string senderName;     // 送信元名称
    std::string senderAddress;  // 送信元メールアドレス
    std::string to;             // the one test address
    std::string subject;
    std::string body;
    bool html = false;
    std::time_t date = 0;  // 0: now
    // The Message-ID without brackets for the sender's domain; empty: GMime makes one.
    std::function<std::string(const std::string& domain)> messageId;
};

enum class MailRefusal {
    BadSenderAddress,
    BadRecipientAddress,
};

// Addresses that would break the header they go into (blanks, line breaks, brackets, no
// domain) are refused rather than sent.
std::optional<MailRefusal> mailRefusalFor(const MailFields& fields);

struct MailRefused : std::invalid_argument {
    explicit MailRefused(MailRefusal why);
    MailRefusal refusal;
};

// The message bytes with CR LF line ends, not dot-stuffed (libcurl does that).
// Throws MailRefused for fields that mailRefusalFor refuses.
std::string buildMessage(const MailFields& fields);

// The body's line ends, whichever the field holds, as CR LF.
std::string withCrLf(const std::string& text);

}  // namespace smtp
