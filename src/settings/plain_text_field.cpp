#include "settings/plain_text_field.h"

#include <QEvent>
#include <QFontInfo>
#include <QKeyEvent>

PlainTextField::PlainTextField(QWidget* parent) : QsciScintilla(parent) {
    // A document without style bytes: nothing is ever coloured, and a million lines load
    // quicker and in half the memory. Swapped in before any setting that the document holds.
    const long document =
        SendScintilla(SCI_CREATEDOCUMENT, 0UL, long(SC_DOCUMENTOPTION_STYLES_NONE));
    SendScintilla(SCI_SETDOCPOINTER, 0UL, reinterpret_cast<void*>(document));
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, reinterpret_cast<void*>(document));
    setLexer(nullptr);
    setUtf8(true);
    setEolMode(EolUnix);
    setWrapMode(WrapNone);
    setFolding(NoFoldStyle);
    for (int margin = 0; margin < 5; ++margin) setMarginWidth(margin, 0);
    SendScintilla(SCI_SETMARGINLEFT, 0, 2L);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setAutoIndent(false);
    setBraceMatching(NoBraceMatch);
    setAutoCompletionSource(AcsNone);
    setCaretLineVisible(false);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    // The scroll range follows the widest line seen, as an ordinary text field's does.
    SendScintilla(SCI_SETSCROLLWIDTH, 1L);
    SendScintilla(SCI_SETSCROLLWIDTHTRACKING, 1L);
    setFocusPolicy(Qt::StrongFocus);
}

void PlainTextField::setUtf8Text(const std::string& utf8) {
    // No undo record of the fill: a load is not an edit, and a copy of a million lines
    // in the undo buffer would double the memory.
    SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
    SendScintilla(SCI_SETTEXT, utf8.c_str());
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0L);
}

std::string PlainTextField::utf8Text() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    std::string text(std::size_t(length) + 1, '\0');
    SendScintilla(SCI_GETTEXT, static_cast<unsigned long>(length + 1),
                  static_cast<void*>(text.data()));
    text.resize(std::size_t(length));
    return text;
}

std::string_view PlainTextField::utf8View() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return text ? std::string_view(text, std::size_t(length)) : std::string_view();
}

void PlainTextField::clearText() {
    setUtf8Text(std::string());
}

void PlainTextField::applyFont(const QFont& font) {
    // Scintilla takes points, and one family name: hand it what the family list resolved to.
    QFont resolved = font;
    resolved.setFamily(QFontInfo(font).family());
    if (font.pixelSize() > 0) resolved.setPointSizeF(font.pixelSize() * 72.0 / logicalDpiY());
    setFont(resolved);
    SendScintilla(SCI_STYLECLEARALL);
    setMarginWidth(0, 0);
}

void PlainTextField::changeEvent(QEvent* event) {
    QsciScintilla::changeEvent(event);
    if (event->type() == QEvent::EnabledChange) {
        // A disabled field looks disabled, as the one-line fields do.
        setPaper(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Base));
        setColor(
            palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled, QPalette::Text));
    }
}

bool PlainTextField::event(QEvent* event) {
    // Tab moves on to the next field, as in every other field of the window; the engine
    // would insert a tab character instead.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        const bool plain = !(key->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
        if (plain && (key->key() == Qt::Key_Tab || key->key() == Qt::Key_Backtab)) {
            QWidget::focusNextPrevChild(key->key() == Qt::Key_Tab &&
                                        !(key->modifiers() & Qt::ShiftModifier));
            return true;
        }
    }
    return QsciScintilla::event(event);
}
