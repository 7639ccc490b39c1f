#pragma once

#include <cstddef>
#include <string>
#include <vector>

// What a mail that came back says, and about whom.
namespace mailbox {

enum class Kind {
    Bounce,         // 不達: the mailbox does not exist or is closed for good
    Policy,         // 5.7.x: the sender was refused; never opts a recipient out
    Review,         // 要確認: a returned mail whose address or code is not clear
    Temporary,      // 一時不達
    Complaint,      // 苦情
    OptOutRequest,  // 配信停止の申し出
    AutoReply,      // 自動応答
    Other,          // その他
};
inline constexpr std::size_t kKindCount = 8;

// The kind's name as the report and the journal show it (UTF-8).
const char* kindName(Kind kind);

// Offered ticked in the report: the mail says so without a human's word to weigh.
bool tickedByDefault(Kind kind);

// May be ticked and added at all: a policy refusal names the sender's problem, never the
// recipient's wish.
bool mayOptOut(Kind kind);

struct Finding {
    Kind kind = Kind::Other;
    std::string address;     // as the mail gives it, cleaned of control characters
    std::string status;      // "5.1.1", "550" or ""
    std::string diagnostic;  // the server's text, one line, bounded
};

// One mail's verdict: exactly one kind for the mail, and the addresses it names.
struct Verdict {
    Kind kind = Kind::Other;
    std::vector<Finding> findings;
    bool capped = false;  // more recipients than kMaxFindings: the rest are not listed
    std::string subject;  // UTF-8, one line
    std::string from;     // the sender's address
    std::string date;     // "YYYY-MM-DD HH:MM" in local time, "" when the mail has none
    std::string day;      // "YYYY-MM-DD" of the same
    std::string messageId;
};

inline constexpr std::size_t kMaxFindings = 1000;

}  // namespace mailbox
