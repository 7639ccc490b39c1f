#include "mailbox/mail_kind.h"

namespace mailbox {

const char* kindName(Kind kind) {
    switch (kind) {
        case Kind::Bounce:
            return "不達";
        case Kind::Policy:
            return "送信側の拒否";
        case Kind::Review:
            return "要確認";
        case Kind::Temporary:
            return "一時不達";
        case Kind::Complaint:
            return "苦情";
        case Kind::OptOutRequest:
            return "配信停止の申し出";
        case Kind::AutoReply:
            return "自動応答";
        case Kind::Other:
            break;
    }
    return "その他";
}

bool tickedByDefault(Kind kind) {
    return kind == Kind::Bounce || kind == Kind::Complaint;
}

bool mayOptOut(Kind kind) {
    return kind != Kind::Policy;
}

}  // namespace mailbox
