#include "settings/field_line_removal.h"

#include <memory>
#include <string>

#include "recipients/field_lines.h"
#include "textfield/plain_text_field.h"

namespace {

constexpr std::size_t kEditInPlaceBytes = std::size_t(1) << 20;
constexpr std::size_t kEditsInPlace = 32;

// The editor's last line end, when the removal left one the field did not have.
void dropFinalLineEnd(PlainTextField* field) {
    const long length = field->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    const auto at = [field](long pos) {
        return char(field->SendScintilla(QsciScintilla::SCI_GETCHARAT, pos));
    };
    long from = length;
    if (from > 0 && at(from - 1) == '\n') --from;
    if (from > 0 && at(from - 1) == '\r') --from;
    if (from == length) return;
    field->SendScintilla(QsciScintilla::SCI_DELETERANGE, static_cast<unsigned long>(from),
                         length - from);
}

}  // namespace

void removeFoundLines(PlainTextField* field, const recipients::FieldOptOuts& found) {
    if (found.lines.empty()) return;
    const std::string_view view = field->utf8View();
    const bool endedInLineEnd = recipients::endsWithLineEnd(view);
    // Each removal in the editor walks the text once: a few in a small field only.
    if (view.size() < kEditInPlaceBytes && found.lines.size() <= kEditsInPlace) {
        field->removeLines(found.lines);
        if (!endedInLineEnd) dropFinalLineEnd(field);
        return;
    }
    auto text = std::make_shared<std::string>(view);
    const auto without = [text, found, endedInLineEnd] {
        recipients::removeFieldOptOuts(*text, found);
        recipients::keepFinalLineEnd(endedInLineEnd, *text);
        return std::move(*text);
    };
    // A large field is built again on a worker and swapped in whole.
    if (view.size() < PlainTextField::backgroundLoadBytes()) return field->setUtf8Text(without());
    field->loadUtf8TextInBackground(without);
}
