#include "settings/field_text.h"

#include "store/cp932.h"

namespace fieldtext {

QString fromStore(const std::string& cp932) {
    return QString::fromStdString(store::cp932::toUtf8Lossy(cp932));
}

std::string utf8FromStore(const std::string& cp932) { return store::cp932::toUtf8Lossy(cp932); }

std::optional<std::string> toStore(const QString& text) {
    return store::cp932::fromUtf8(text.toStdString());
}

std::optional<std::string> toStoreFromUtf8(const std::string& utf8) {
    return store::cp932::fromUtf8(utf8);
}

}  // namespace fieldtext
