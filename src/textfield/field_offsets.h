#pragma once

#include <QString>

class QsciScintillaBase;

// Offsets into a field's text in UTF-16 code units, as assistive tools count them, from the
// engine's byte positions and back. A text of ASCII only has them equal; any other goes
// through the engine's UTF-16 line index, so each costs a lookup among the lines plus one
// line, never a walk over the whole text.
class FieldOffsets {
public:
    explicit FieldOffsets(const QsciScintillaBase& field) : field_(field) {}

    // Told of every insert before it lands, with the bytes that land, and of every
    // document swapped in, so the text is known to be ASCII without reading it again at
    // each question, whenever the question comes.
    void beforeInsert(const char* text, long length);
    void documentSwapped();
    // Told, after a swap, by whoever read the new text whole: it is ASCII only.
    void documentIsAscii();

    // The text's length in UTF-16 code units.
    int length() const;
    // The offset of a byte position (which must be a character's start).
    int offsetOf(long position) const;
    // The byte position of an offset, within 0 and the text's end. An offset between the
    // two halves of a surrogate pair stands for the character's start.
    long positionOf(int offset) const;
    // The text between two byte positions.
    QString textRange(long from, long to) const;

private:
    bool asciiOnly() const;
    void ensureIndex() const;
    long lineIndex(long line) const;

    const QsciScintillaBase& field_;
    // A document swapped in has not been read yet; its inserts since are counted in ascii_.
    mutable bool unread_ = true;
    mutable bool ascii_ = true;
};
