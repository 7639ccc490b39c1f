#include "settings/typing_limit.h"

#include <QLineEdit>
#include <algorithm>

namespace typinglimit {

namespace {
constexpr const char* kLimitProperty = "typingLimit";
}

void apply(QLineEdit* field, int limit) {
    field->setProperty(kLimitProperty, limit);
    field->setMaxLength(limit);
    // Qt's length limit also cuts text set by the program; follow the text down instead,
    // so a shortened over-long value cannot grow again beyond its limit.
    QObject::connect(field, &QLineEdit::textChanged, field, [field] {
        const int limit = limitOf(field);
        field->setMaxLength(std::max<int>(limit, int(field->text().size())));
    });
}

int limitOf(const QLineEdit* field) {
    return field->property(kLimitProperty).toInt();
}

void setLoadedText(QLineEdit* field, const QString& text) {
    if (limitOf(field) > 0 && text.size() > field->maxLength())
        field->setMaxLength(int(text.size()));
    field->setText(text);
}

}  // namespace typinglimit
