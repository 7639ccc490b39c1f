#include "settings/optout_refusal.h"

#include <QStringList>

#include "dialogs/recipient_texts.h"
#include "recipients/optout_reader.h"
#include "shell/message_box.h"

namespace optoutrefusal {

namespace {

constexpr std::size_t kNamedLines = 5;

}  // namespace

QString text(const recipients::OptOutFileRefused& refused) {
    const recipients::OptOutFileText& file = refused.text();
    QString message =
        QStringLiteral("配信停止リスト「%1」").arg(QString::fromStdString(refused.path()));
    message += file.undecodable ? QStringLiteral("の文字コードを判別できません。")
                                : QStringLiteral("に、アドレスを読み取れない行が %1 行あります。")
                                      .arg(recipienttext::number(file.unreadable));
    QStringList lines;
    for (std::size_t i = 0; i < file.firstUnreadable.size() && i < kNamedLines; ++i) {
        lines << recipienttext::unreadableLine(file.firstUnreadable[i]);
    }
    if (file.unreadable > kNamedLines)
        lines << QStringLiteral("ほか %1 行")
                     .arg(recipienttext::number(file.unreadable - kNamedLines));
    if (!lines.isEmpty()) message += QStringLiteral("\n\n") + lines.join(QLatin1Char('\n'));
    message += QStringLiteral(
        "\n\n配信停止のアドレスを漏らさないよう、この操作を止めました。ファイルを直すか、"
        "配信停止リストを開いて、印の付いた行を確認してください。\n\n"
        "配信停止リストを開きますか？");
    return message;
}

void guard(const std::function<void()>& action, const std::function<void()>& openList) {
    try {
        action();
    } catch (const recipients::OptOutFileRefused& refused) {
        if (msgbox::question(text(refused))) openList();
    }
}

}  // namespace optoutrefusal
