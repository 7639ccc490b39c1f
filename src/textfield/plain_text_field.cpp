#include "textfield/plain_text_field.h"

#include <QAccessible>
#include <QEvent>
#include <QFontInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QVBoxLayout>
#include <memory>
#include <utility>

#include "text/cp932_char.h"
#include "textfield/engine_load.h"
#include "textfield/field_accessible.h"

namespace {

// A document without style bytes: nothing is ever coloured, and a million lines load
// quicker and in half the memory.
constexpr long kDocumentOptions = QsciScintillaBase::SC_DOCUMENTOPTION_STYLES_NONE;

}  // namespace

PlainTextField::PlainTextField(QWidget* parent) : QsciScintilla(parent) {
    FieldAccessible::install();
    swapInDocument(
        reinterpret_cast<void*>(SendScintilla(SCI_CREATEDOCUMENT, 0UL, kDocumentOptions)));
    setLexer(nullptr);
    applyDocumentSettings();
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
    // Only the notifications before a change: with those after it, the engine's own
    // accessibility support counts the characters from the top of the text at every edit.
    // The change is told from these, to the window and to assistive tools alike.
    SendScintilla(SCI_SETMODEVENTMASK, long(SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE));
    connect(this, &QsciScintillaBase::SCN_MODIFIED, this,
            [this](int position, int type, const char* text, int length) {
                if (type & SC_MOD_BEFOREINSERT) {
                    offsets_.beforeInsert(text, length);
                    textEvents_.beforeInsert(position, length);
                }
                if (type & SC_MOD_BEFOREDELETE) textEvents_.beforeDelete(position, length);
                if (!(type & (SC_MOD_BEFOREINSERT | SC_MOD_BEFOREDELETE)) || changeQueued_) return;
                changeQueued_ = true;
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        changeQueued_ = false;
                        emit textChanged();
                    },
                    Qt::QueuedConnection);
            });
    connect(this, &QsciScintillaBase::SCN_UPDATEUI, this, [this](int updated) {
        if (updated & (SC_UPDATE_CONTENT | SC_UPDATE_SELECTION)) textEvents_.caretMayHaveMoved();
    });

    loadingNote_ = new QLabel(QStringLiteral("読込中…"), viewport());
    loadingNote_->setObjectName(QStringLiteral("loadingNote"));
    loadingNote_->setAttribute(Qt::WA_TransparentForMouseEvents);
    auto* layout = new QVBoxLayout(viewport());
    layout->addWidget(loadingNote_, 0, Qt::AlignCenter);
    loadingNote_->hide();
}

PlainTextField::~PlainTextField() {
    loader_.cancel();
}

namespace {
std::size_t backgroundBytes = std::size_t(4) << 20;
}  // namespace

std::size_t PlainTextField::backgroundLoadBytes() {
    return backgroundBytes;
}

void PlainTextField::setBackgroundLoadBytes(std::size_t bytes) {
    backgroundBytes = bytes;
}

bool PlainTextField::isLoading() const {
    return loading_;
}

QVariant PlainTextField::inputMethodQuery(Qt::InputMethodQuery query) const {
    // The engine answers from the whole paragraph, which in a list without blank lines is
    // every line, at each key: the input method gets the caret's line instead.
    switch (query) {
        case Qt::ImSurroundingText:
        case Qt::ImCursorPosition:
        case Qt::ImAnchorPosition:
        case Qt::ImTextBeforeCursor:
        case Qt::ImTextAfterCursor:
            break;
        default:
            return QsciScintilla::inputMethodQuery(query);
    }
    const long pos = SendScintilla(SCI_GETCURRENTPOS);
    const long line = SendScintilla(SCI_LINEFROMPOSITION, pos);
    const long lineStart = SendScintilla(SCI_POSITIONFROMLINE, line);
    const QString text = this->text(int(line));
    const auto unitsTo = [&](long at) {
        return int(QString::fromUtf8(text.toUtf8().left(int(at - lineStart))).size());
    };
    switch (query) {
        case Qt::ImSurroundingText:
            return text;
        case Qt::ImCursorPosition:
            return unitsTo(pos);
        case Qt::ImAnchorPosition: {
            // An anchor on another line is outside the text given: the caret stands for it.
            const long anchor = SendScintilla(SCI_GETANCHOR);
            const bool sameLine = SendScintilla(SCI_LINEFROMPOSITION, anchor) == line;
            return unitsTo(sameLine ? anchor : pos);
        }
        case Qt::ImTextBeforeCursor:
            return text.left(unitsTo(pos));
        default:
            return text.mid(unitsTo(pos));
    }
}

void PlainTextField::applyDocumentSettings() {
    setUtf8(true);
    setEolMode(EolUnix);
}

void PlainTextField::swapInDocument(void* document) {
    const bool readOnly = isReadOnly();
    textEvents_.beginSwap();
    SendScintilla(SCI_SETDOCPOINTER, 0UL, document);
    offsets_.documentSwapped();
    // The field's reference now keeps the document.
    SendScintilla(SCI_RELEASEDOCUMENT, 0UL, document);
    applyDocumentSettings();
    // No undo record of a load: it is not an edit.
    SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
    SendScintilla(SCI_EMPTYUNDOBUFFER);
    SendScintilla(SCI_SETSAVEPOINT);
    SendScintilla(SCI_GOTOPOS, 0L);
    setReadOnly(readOnly);
    textEvents_.endSwap();
    emit textChanged();
}

void PlainTextField::setUtf8Text(const std::string& utf8) {
    const bool wasLoading = loading_;
    leaveLoading();
    textEvents_.beginSwap();
    if (utf8.empty()) {
        // A fresh document: emptying a million lines one by one takes far longer.
        swapInDocument(
            reinterpret_cast<void*>(SendScintilla(SCI_CREATEDOCUMENT, 0UL, kDocumentOptions)));
    } else {
        // No undo record of the fill: a load is not an edit, and a copy of a million lines
        // in the undo buffer would double the memory.
        SendScintilla(SCI_SETUNDOCOLLECTION, 0L);
        SendScintilla(SCI_SETTEXT, utf8.c_str());
        SendScintilla(SCI_EMPTYUNDOBUFFER);
        SendScintilla(SCI_SETUNDOCOLLECTION, 1L);
        SendScintilla(SCI_SETSAVEPOINT);
        SendScintilla(SCI_GOTOPOS, 0L);
    }
    textEvents_.endSwap();
    if (wasLoading) emit loadingEnded();
}

void PlainTextField::loadUtf8TextInBackground(std::function<std::string()> produce) {
    loader_.cancel();
    if (!loading_) readOnlyBefore_ = isReadOnly();
    loading_ = true;
    // Empty at once, so nothing of the text before is ever seen with the one to come.
    // Assistive tools hear of both texts when the load ends.
    textEvents_.beginSwap();
    swapInDocument(
        reinterpret_cast<void*>(SendScintilla(SCI_CREATEDOCUMENT, 0UL, kDocumentOptions)));
    textEvents_.holdSwap();
    setReadOnly(true);
    loadingNote_->show();
    void* engineLoader =
        reinterpret_cast<void*>(SendScintilla(SCI_CREATELOADER, 0UL, kDocumentOptions));
    // Read whole on the worker, so no question after the swap waits for a scan of it.
    auto ascii = std::make_shared<bool>(false);
    loader_.start(
        engineload::fill(engineLoader, std::move(produce),
                         [ascii](const std::string& text) { *ascii = text::cp932::isAscii(text); }),
        [this, ascii](const std::shared_ptr<engineload::LoadedDocument>& loaded) {
            finishLoad(loaded, *ascii);
        });
}

void PlainTextField::finishLoad(const std::shared_ptr<engineload::LoadedDocument>& loaded,
                                bool ascii) {
    leaveLoading();
    textEvents_.beginSwap();
    if (loaded) {
        swapInDocument(loaded->take());
        if (ascii) offsets_.documentIsAscii();
    }
    // A failed load leaves the field empty: that too is told.
    textEvents_.endSwap();
    emit loadingEnded();
}

void PlainTextField::leaveLoading() {
    if (!loading_) return;
    loader_.cancel();
    loading_ = false;
    loadingNote_->hide();
    setReadOnly(readOnlyBefore_);
}

std::string PlainTextField::utf8Text() const {
    // One copy of the buffer: the engine's own text call copies a character at a time,
    // which stalls the window on a large list.
    return std::string(utf8View());
}

std::string_view PlainTextField::utf8View() const {
    const long length = SendScintilla(SCI_GETLENGTH);
    const auto* text = static_cast<const char*>(SendScintillaPtrResult(SCI_GETCHARACTERPOINTER));
    return text ? std::string_view(text, std::size_t(length)) : std::string_view();
}

void PlainTextField::removeLines(const std::vector<std::size_t>& lines) {
    if (lines.empty()) return;
    const long count = SendScintilla(SCI_GETLINECOUNT);
    const bool readOnly = isReadOnly();
    setReadOnly(false);
    SendScintilla(SCI_BEGINUNDOACTION);
    // From the last up, so the line numbers still to come stay valid and the engine's
    // buffer gap moves once over the text.
    for (auto it = lines.rbegin(); it != lines.rend(); ++it) {
        const long line = long(*it) - 1;
        if (line < 0 || line >= count) continue;
        const long from = SendScintilla(SCI_POSITIONFROMLINE, line);
        const long to = line + 1 < count ? SendScintilla(SCI_POSITIONFROMLINE, line + 1)
                                         : SendScintilla(SCI_GETLENGTH);
        SendScintilla(SCI_DELETERANGE, static_cast<unsigned long>(from), to - from);
    }
    SendScintilla(SCI_ENDUNDOACTION);
    setReadOnly(readOnly);
}

void PlainTextField::replaceUtf8Text(std::string utf8) {
    if (utf8.size() < backgroundLoadBytes()) return setUtf8Text(utf8);
    auto held = std::make_shared<std::string>(std::move(utf8));
    loadUtf8TextInBackground([held] { return std::move(*held); });
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
