#pragma once

#include <Qsci/qsciscintilla.h>

#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "shell/off_thread.h"
#include "textfield/field_offsets.h"
#include "textfield/field_text_events.h"

namespace engineload {
class LoadedDocument;
}

class QLabel;

// A plain multi-line field on the Scintilla engine, which stays quick with a million
// lines: no margins, folding, colouring or wrapping, both scroll bars, LF line ends.
// Text goes in and out as UTF-8 in one piece.
class PlainTextField : public QsciScintilla {
    Q_OBJECT
public:
    explicit PlainTextField(QWidget* parent = nullptr);
    ~PlainTextField() override;

    // Replaces the whole text; the load cannot be undone. Ends a load under way.
    void setUtf8Text(const std::string& utf8);
    std::string utf8Text() const;
    // The text in the editor's own buffer, without a copy; valid until the next change.
    std::string_view utf8View() const;
    void clearText();
    // Removes the given lines (1-based, ascending), each with its line end, as one undo
    // step; every other line stays byte for byte. Setting a million lines again instead
    // would stop the window.
    void removeLines(const std::vector<std::size_t>& lines);

    // Fills the field with what `produce` returns, both run on a worker thread. Until the
    // whole text is in, the field is empty, read-only and says "読込中…"; then it is
    // swapped in at once. A later load, setUtf8Text or clearText cancels this one. What
    // `produce` throws shows in the usual error box, the field left empty and editable.
    void loadUtf8TextInBackground(std::function<std::string()> produce);
    // setUtf8Text for a small text; a large one goes in through a background load, since
    // setting a million lines here would stop the window.
    void replaceUtf8Text(std::string utf8);
    // True from a background load's start until its text is in (or it was replaced).
    bool isLoading() const;
    // Lists whose file is this large load in the background; smaller ones at once, which
    // is quicker than a worker. Tests lower it to see the background load.
    static std::size_t backgroundLoadBytes();
    static void setBackgroundLoadBytes(std::size_t bytes);

    // Offsets in UTF-16 code units, as assistive tools count them.
    const FieldOffsets& offsets() const { return offsets_; }

    // Takes the font the window actually resolved, so the field matches its neighbours.
    void applyFont(const QFont& font);

signals:
    // The field has left the loading state: its text is whole and may be read or edited.
    void loadingEnded();

protected:
    void changeEvent(QEvent* event) override;
    bool event(QEvent* event) override;
    QVariant inputMethodQuery(Qt::InputMethodQuery query) const override;

private:
    // What the engine keeps per document rather than per view, set again on each swap.
    void applyDocumentSettings();
    void swapInDocument(void* document);
    // Takes a finished load's document, null when the load failed; `ascii` when its text is.
    void finishLoad(const std::shared_ptr<engineload::LoadedDocument>& loaded, bool ascii);
    void leaveLoading();

    offthread::Latest<engineload::LoadedDocument> loader_;
    QLabel* loadingNote_ = nullptr;
    bool loading_ = false;
    bool readOnlyBefore_ = false;
    bool changeQueued_ = false;
    FieldOffsets offsets_{*this};
    FieldTextEvents textEvents_{this};
};
