#include "settings/optout_questions.h"

#include <QStringList>

#include "dialogs/recipient_texts.h"
#include "text/cp932.h"

namespace optoutquestion {

namespace {

constexpr std::size_t kNamedLines = 3;

}  // namespace

QString beforeSave(const recipients::FieldOptOuts& found) {
    QStringList named;
    for (std::size_t i = 0; i < found.first.size() && i < kNamedLines; ++i)
        named << QStringLiteral("%1行目 %2")
                     .arg(found.first[i].line)
                     .arg(QString::fromStdString(text::cp932::toUtf8Lossy(found.first[i].text)));
    if (found.count > kNamedLines) named << QStringLiteral("…");
    return QStringLiteral(
               "配信停止リストのアドレスが %1件 含まれています（%2）。除いて保存しますか？")
        .arg(recipienttext::number(found.count), named.join(QStringLiteral("、")));
}

QString beforeBatch(const recipients::ListOptOuts& found) {
    QStringList groups;
    for (const auto& group : found.groups) {
        bool numbered = false;
        const int stored = QString::fromStdString(group.group).toInt(&numbered);
        const QString name = numbered ? QStringLiteral("グループ%1").arg(stored + 1)
                                      : QStringLiteral("グループなし");
        groups << name + QStringLiteral(": ") + recipienttext::number(group.lines) +
                      QStringLiteral("件");
    }
    return QStringLiteral(
               "送信先リスト（list.txt）に配信停止リストのアドレスが %1件 含まれています"
               "（%2）。\n\nリストから除いてバッチファイルを出力しますか？")
        .arg(recipienttext::number(found.lines), groups.join(QStringLiteral("、")));
}

}  // namespace optoutquestion
