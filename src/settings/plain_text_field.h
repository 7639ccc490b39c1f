#pragma once

#include <Qsci/qsciscintilla.h>

#include <string>
#include <string_view>

// A plain multi-line field on the Scintilla engine, which stays quick with a million
// lines: no margins, folding, colouring or wrapping, both scroll bars, LF line ends.
// Text goes in and out as UTF-8 in one piece.
class PlainTextField : public QsciScintilla {
    Q_OBJECT
public:
    explicit PlainTextField(QWidget* parent = nullptr);

    // Replaces the whole text; the load cannot be undone.
    void setUtf8Text(const std::string& utf8);
    std::string utf8Text() const;
    // The text in the editor's own buffer, without a copy; valid until the next change.
    std::string_view utf8View() const;
    void clearText();

    // Takes the font the window actually resolved, so the field matches its neighbours.
    void applyFont(const QFont& font);

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
};
