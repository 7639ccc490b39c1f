#include "settings/field_line_removal.h"

#include <memory>
#include <string>

#include "settings/plain_text_field.h"

namespace {

constexpr std::size_t kEditInPlaceBytes = std::size_t(1) << 20;
constexpr std::size_t kEditsInPlace = 32;

bool endsWithLineEnd(std::string_view text) {
    return !text.empty() && (text.back() == '\n' || text.back() == '\r');
}

// The last line gone leaves the one before with its line end: dropped, when the field
// had none, so the text ends as it was typed.
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

void dropFinalLineEnd(std::string& text) {
    if (!text.empty() && text.back() == '\n') text.pop_back();
    if (!text.empty() && text.back() == '\r') text.pop_back();
}

}  // namespace

void removeFoundLines(PlainTextField* field, const recipients::FieldOptOuts& found) {
    if (found.lines.empty()) return;
    const std::string_view view = field->utf8View();
    const bool endedInLineEnd = endsWithLineEnd(view);
    // Each removal in the editor walks the text once: a few in a small field only.
    if (view.size() < kEditInPlaceBytes && found.lines.size() <= kEditsInPlace) {
        field->removeLines(found.lines);
        if (!endedInLineEnd) dropFinalLineEnd(field);
        return;
    }
    if (view.size() < PlainTextField::backgroundLoadBytes()) {
        std::string text(view);
        recipients::removeFieldOptOuts(text, found);
        if (!endedInLineEnd) dropFinalLineEnd(text);
        return field->setUtf8Text(text);
    }
    auto text = std::make_shared<std::string>(view);
    field->loadUtf8TextInBackground([text, found, endedInLineEnd] {
        recipients::removeFieldOptOuts(*text, found);
        if (!endedInLineEnd) dropFinalLineEnd(*text);
        return std::move(*text);
    });
}
