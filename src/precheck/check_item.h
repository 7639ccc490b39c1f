#pragma once

#include <string>
#include <vector>

namespace precheck {

enum class Verdict { Ok, Caution, Problem };

// One line of the result: what was checked, what was found and what to do (UTF-8).
struct CheckItem {
    Verdict verdict = Verdict::Ok;
    std::string title;
    std::string finding;
    std::string advice;  // "" when nothing needs doing
};

// 問題なし / 注意 / 問題
std::string verdictLabel(Verdict verdict);

// The whole result as plain text, one block per item, as the copy button hands it out.
std::string reportText(const std::vector<CheckItem>& items);

// Shown once above the result: the law check is a text search.
extern const char* const kLegalNotice;

}  // namespace precheck
