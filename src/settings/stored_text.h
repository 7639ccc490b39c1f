#pragma once

#include <QString>
#include <optional>
#include <string>

class QLineEdit;
class PlainTextField;

// A field's text as the store will hold it (CP932). When Shift-JIS cannot hold one of its
// characters, the user is told which field, line and character, the cursor is put on it,
// and nothing is returned: the caller then writes nothing.
namespace storedtext {

std::optional<std::string> fromField(QLineEdit* field, const QString& label);
std::optional<std::string> fromField(PlainTextField* field, const QString& label);
// The refusal alone, for a field whose text failed the conversion elsewhere.
void refuseUnstorable(PlainTextField* field, const QString& label);

// The first character of the text that Shift-JIS cannot hold: its line (0-based, lines
// separated by LF) and position in the line, in UTF-16 units as the fields count them.
struct Unstorable {
    int line = 0;
    int index = 0;
    QString character;
};
std::optional<Unstorable> firstUnstorable(const QString& text);

}  // namespace storedtext
