#include "precheck/check_item.h"

namespace precheck {

const char* const kLegalNotice =
    "法定表示の確認は本文の文字列検索によるもので、法的な助言ではありません。";

std::string verdictLabel(Verdict verdict) {
    switch (verdict) {
        case Verdict::Ok:
            return "問題なし";
        case Verdict::Caution:
            return "注意";
        default:
            return "問題";
    }
}

std::string reportText(const std::vector<CheckItem>& items) {
    std::string text = std::string("送信前チェック\n") + kLegalNotice + "\n";
    for (const CheckItem& item : items) {
        text += "\n[" + verdictLabel(item.verdict) + "] " + item.title + "\n" + item.finding + "\n";
        if (!item.advice.empty()) text += "対処: " + item.advice + "\n";
    }
    return text;
}

}  // namespace precheck
