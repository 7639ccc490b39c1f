#include "settings/stored_text.h"

#include <QLineEdit>

#include "settings/field_text.h"
#include "shell/message_box.h"
#include "textfield/plain_text_field.h"

namespace storedtext {
namespace {

QString refusal(const QString& label, const Unstorable& where, bool multiLine) {
    const QString place = multiLine
                              ? QStringLiteral("「%1」の %2 行目").arg(label).arg(where.line + 1)
                              : QStringLiteral("「%1」").arg(label);
    return QStringLiteral(
               "%1に Shift-JIS で保存できない文字「%2」があります。"
               "別の文字に置き換えてから保存してください。")
        .arg(place, where.character);
}

}  // namespace

std::optional<Unstorable> firstUnstorable(const QString& text) {
    int line = 0;
    int lineStart = 0;
    for (int i = 0; i < text.size();) {
        const QChar c = text.at(i);
        const int length = c.isHighSurrogate() && i + 1 < text.size() ? 2 : 1;
        if (c == QLatin1Char('\n')) {
            ++line;
            lineStart = i + 1;
        } else if (c.unicode() >= 0x80 && !fieldtext::toStore(text.mid(i, length))) {
            return Unstorable{line, i - lineStart, text.mid(i, length)};
        }
        i += length;
    }
    return std::nullopt;
}

std::optional<std::string> fromField(QLineEdit* field, const QString& label) {
    const QString text = field->text();
    if (auto bytes = fieldtext::toStore(text)) return bytes;
    const auto where = firstUnstorable(text).value_or(Unstorable{});
    msgbox::warning(refusal(label, where, false), field);
    field->setCursorPosition(where.index);
    return std::nullopt;
}

std::optional<std::string> fromField(PlainTextField* field, const QString& label) {
    if (auto bytes = fieldtext::toStoreFromUtf8(field->utf8View())) return bytes;
    refuseUnstorable(field, label);
    return std::nullopt;
}

void refuseUnstorable(PlainTextField* field, const QString& label) {
    const auto where =
        firstUnstorable(QString::fromStdString(field->utf8Text())).value_or(Unstorable{});
    msgbox::warning(refusal(label, where, true), field);
    field->setCursorPosition(where.line, where.index);
}

}  // namespace storedtext
