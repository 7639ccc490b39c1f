#include "textfield/field_offsets.h"

#include <Qsci/qsciscintillabase.h>

#include <QByteArray>
#include <algorithm>
#include <string_view>

#include "text/cp932_char.h"

namespace {

using Sci = QsciScintillaBase;

constexpr long kScanChunk = 1 << 16;

}  // namespace

void FieldOffsets::beforeInsert(const char* text, long length) {
    // What goes into an empty document is all of it: a text set again starts afresh.
    if (field_.SendScintilla(Sci::SCI_GETLENGTH) == 0) {
        ascii_ = true;
        unread_ = false;
    }
    // Without the bytes, the line index answers, which is right for any text.
    if (ascii_) ascii_ = text && text::cp932::isAscii(std::string_view(text, std::size_t(length)));
}

void FieldOffsets::documentSwapped() {
    ascii_ = true;
    unread_ = true;
}

void FieldOffsets::documentIsAscii() {
    ascii_ = true;
    unread_ = false;
}

bool FieldOffsets::asciiOnly() const {
    if (!ascii_ || !unread_) return ascii_;
    // Copied out in pieces: a pointer into the engine's buffer would move its gap.
    const long length = field_.SendScintilla(Sci::SCI_GETLENGTH);
    QByteArray chunk(kScanChunk + 1, Qt::Uninitialized);
    for (long from = 0; from < length && ascii_; from += kScanChunk) {
        const long to = std::min(length, from + kScanChunk);
        field_.SendScintilla(Sci::SCI_GETTEXTRANGE, from, to, chunk.data());
        ascii_ = text::cp932::isAscii(std::string_view(chunk.constData(), std::size_t(to - from)));
    }
    unread_ = false;
    return ascii_;
}

// The index belongs to the document, so a swapped-in one builds its own at first use:
// a load never waits for it, and a field no tool reads never pays for it.
void FieldOffsets::ensureIndex() const {
    if (field_.SendScintilla(Sci::SCI_GETLINECHARACTERINDEX) & Sci::SC_LINECHARACTERINDEX_UTF16)
        return;
    field_.SendScintilla(Sci::SCI_ALLOCATELINECHARACTERINDEX,
                         static_cast<unsigned long>(Sci::SC_LINECHARACTERINDEX_UTF16));
}

long FieldOffsets::lineIndex(long line) const {
    if (line == 0) return 0;
    ensureIndex();
    return field_.SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                                long(Sci::SC_LINECHARACTERINDEX_UTF16));
}

QString FieldOffsets::textRange(long from, long to) const {
    if (to <= from) return QString();
    QByteArray bytes(to - from + 1, Qt::Uninitialized);
    field_.SendScintilla(Sci::SCI_GETTEXTRANGE, from, to, bytes.data());
    return QString::fromUtf8(bytes.constData(), to - from);
}

int FieldOffsets::length() const {
    return offsetOf(field_.SendScintilla(Sci::SCI_GETLENGTH));
}

int FieldOffsets::offsetOf(long position) const {
    if (asciiOnly()) return int(position);
    const long line = field_.SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    const long start = field_.SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    return int(lineIndex(line) + field_.SendScintilla(Sci::SCI_COUNTCODEUNITS,
                                                      static_cast<unsigned long>(start), position));
}

long FieldOffsets::positionOf(int offset) const {
    if (offset <= 0) return 0;
    const long length = field_.SendScintilla(Sci::SCI_GETLENGTH);
    if (asciiOnly()) return std::min(long(offset), length);
    if (offset >= this->length()) return length;
    ensureIndex();
    const long line =
        field_.SendScintilla(Sci::SCI_LINEFROMINDEXPOSITION, static_cast<unsigned long>(offset),
                             long(Sci::SC_LINECHARACTERINDEX_UTF16));
    const long start = field_.SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    const long end = field_.SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
    // The engine's own relative step runs on to the end of the text when asked to stop
    // inside a surrogate pair, so the step within the line is taken here.
    const QString units = textRange(start, end);
    qsizetype within = offset - lineIndex(line);
    if (within >= units.size()) return end + long(within - units.size());  // in the line end
    if (within > 0 && units.at(within - 1).isHighSurrogate()) --within;
    return start + long(QStringView(units).left(within).toUtf8().size());
}
