#pragma once

#include <QString>

class QLineEdit;

// A field's limit holds for what the user types, not for what a load puts in: a longer
// stored value is shown whole (and saved back whole), and typing cannot make it longer.
namespace typinglimit {

void apply(QLineEdit* field, int limit);
int limitOf(const QLineEdit* field);  // 0 when the field has none
// Sets a loaded value without cutting it to the limit.
void setLoadedText(QLineEdit* field, const QString& text);

}  // namespace typinglimit
