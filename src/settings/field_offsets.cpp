#include "settings/field_offsets.h"

#include <Qsci/qsciscintillabase.h>

#include <QString>

namespace fieldoffsets {

namespace {

using Sci = QsciScintillaBase;

// The index belongs to the document, so a swapped-in one builds its own at first use:
// a load never waits for it, and a field no tool reads never pays for it.
void ensureIndex(const Sci& field) {
    if (field.SendScintilla(Sci::SCI_GETLINECHARACTERINDEX) & Sci::SC_LINECHARACTERINDEX_UTF16)
        return;
    field.SendScintilla(Sci::SCI_ALLOCATELINECHARACTERINDEX,
                        static_cast<unsigned long>(Sci::SC_LINECHARACTERINDEX_UTF16));
}

long lineIndex(const Sci& field, long line) {
    if (line == 0) return 0;
    ensureIndex(field);
    return field.SendScintilla(Sci::SCI_INDEXPOSITIONFROMLINE, static_cast<unsigned long>(line),
                               long(Sci::SC_LINECHARACTERINDEX_UTF16));
}

}  // namespace

QString textRange(const Sci& field, long from, long to) {
    if (to <= from) return QString();
    QByteArray bytes(to - from + 1, Qt::Uninitialized);
    // A copy of the range: a pointer into the engine's buffer would move its gap.
    field.SendScintilla(Sci::SCI_GETTEXTRANGE, from, to, bytes.data());
    return QString::fromUtf8(bytes.constData(), to - from);
}

int length(const Sci& field) {
    return offsetOf(field, field.SendScintilla(Sci::SCI_GETLENGTH));
}

int offsetOf(const Sci& field, long position) {
    const long line = field.SendScintilla(Sci::SCI_LINEFROMPOSITION, position);
    const long start = field.SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    return int(lineIndex(field, line) +
               field.SendScintilla(Sci::SCI_COUNTCODEUNITS, static_cast<unsigned long>(start),
                                   position));
}

long positionOf(const Sci& field, int offset) {
    if (offset <= 0) return 0;
    if (offset >= length(field)) return field.SendScintilla(Sci::SCI_GETLENGTH);
    ensureIndex(field);
    const long line = field.SendScintilla(Sci::SCI_LINEFROMINDEXPOSITION,
                                          static_cast<unsigned long>(offset),
                                          long(Sci::SC_LINECHARACTERINDEX_UTF16));
    const long start = field.SendScintilla(Sci::SCI_POSITIONFROMLINE, line);
    const long end = field.SendScintilla(Sci::SCI_GETLINEENDPOSITION, line);
    // The engine's own relative step runs on to the end of the text when asked to stop
    // inside a surrogate pair, so the step within the line is taken here.
    const QString units = textRange(field, start, end);
    qsizetype within = offset - lineIndex(field, line);
    if (within >= units.size()) return end + long(within - units.size());  // in the line end
    if (within > 0 && units.at(within - 1).isHighSurrogate()) --within;
    return start + long(QStringView(units).left(within).toUtf8().size());
}

}  // namespace fieldoffsets
