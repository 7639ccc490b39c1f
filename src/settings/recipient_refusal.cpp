#include "settings/recipient_refusal.h"

namespace {

QString reason(store::recipients::LineFault fault) {
    using store::recipients::LineFault;
    switch (fault) {
        case LineFault::Comma:
            return QStringLiteral("カンマ（,）が含まれています");
        case LineFault::InnerBlank:
            return QStringLiteral("途中に空白またはタブが含まれています");
        case LineFault::Quote:
            return QStringLiteral("引用符（\"）が含まれています");
        case LineFault::Other:
            break;
    }
    return QStringLiteral("保存後に同じ形で読み戻せません");
}

}  // namespace

QString recipientRefusalText(const store::recipients::TypedLinesCheck& check) {
    QString text = QStringLiteral(
                       "ﾒｰﾙ送信先ﾘｽﾄの %1 行は、保存すると読み戻せなくなるため"
                       "保存できません。\n")
                       .arg(check.refused);
    for (const auto& line : check.first)
        text += QStringLiteral("\n%1 行目: %2").arg(line.line + 1).arg(reason(line.fault));
    if (check.refused > check.first.size())
        text += QStringLiteral("\nほか %1 行").arg(check.refused - check.first.size());
    text +=
        QStringLiteral("\n\n1 行に 1 つのアドレスを、空白・カンマ・引用符なしで入力してください。");
    return text;
}
