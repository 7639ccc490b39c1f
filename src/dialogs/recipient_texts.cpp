#include "dialogs/recipient_texts.h"

namespace recipienttext {

QString fault(recipients::AddressFault fault) {
    using recipients::AddressFault;
    switch (fault) {
        case AddressFault::None:
            return QString();
        case AddressFault::Empty:
            return QStringLiteral("アドレスが空です");
        case AddressFault::AtSign:
            return QStringLiteral("「@」が1つではありません");
        case AddressFault::NoLocalPart:
            return QStringLiteral("「@」の前がありません");
        case AddressFault::NoDomainDot:
            return QStringLiteral("ドメインに「.」がありません");
        case AddressFault::Blank:
            return QStringLiteral("空白が含まれています");
        case AddressFault::Comma:
            return QStringLiteral("カンマが含まれています");
        case AddressFault::Quote:
            return QStringLiteral("引用符が含まれています");
        case AddressFault::AngleBracket:
            return QStringLiteral("山かっこ（< >）が含まれています");
        case AddressFault::Control:
            return QStringLiteral("制御文字が含まれています");
        case AddressFault::NonAscii:
            return QStringLiteral("半角英数字以外の文字が含まれています");
        case AddressFault::TooLong:
            return QStringLiteral("254バイトを超えています");
        case AddressFault::NotReadBack:
            return QStringLiteral("保存すると正しく読み戻せません");
    }
    return QString();
}

QString unreadableLine(const recipients::UnreadableLine& line) {
    const QString why = line.fault == recipients::AddressFault::None
                            ? QStringLiteral("文字コードを判別できません")
                            : fault(line.fault);
    return QStringLiteral("%1行目: %2（%3）")
        .arg(number(line.line), QString::fromStdString(line.text), why);
}

QString duplicateOf(std::size_t line) {
    return QStringLiteral("%1行目と重複しています").arg(number(line));
}

QString optedOut() {
    return QStringLiteral("配信停止リストのアドレス");
}

QString encoding(recipients::Encoding encoding) {
    using recipients::Encoding;
    switch (encoding) {
        case Encoding::Utf8:
            return QStringLiteral("UTF-8");
        case Encoding::Utf8Bom:
            return QStringLiteral("UTF-8（BOM付き）");
        case Encoding::Utf16Le:
            return QStringLiteral("UTF-16 LE（Unicodeテキスト）");
        case Encoding::Utf16Be:
            return QStringLiteral("UTF-16 BE");
        case Encoding::Cp932:
            return QStringLiteral("Shift-JIS（CP932）");
        case Encoding::EucJp:
            return QStringLiteral("EUC-JP");
    }
    return QString();
}

QString number(std::size_t value) {
    QString digits = QString::number(qulonglong(value));
    for (int at = digits.size() - 3; at > 0; at -= 3) digits.insert(at, QLatin1Char(','));
    return digits;
}

}  // namespace recipienttext
