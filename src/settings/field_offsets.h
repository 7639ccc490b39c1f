#pragma once

class QsciScintillaBase;
class QString;

// Offsets into a field's text in UTF-16 code units, as assistive tools count them, from the
// engine's byte positions and back. Each goes through the engine's UTF-16 line index, so it
// costs a lookup among the lines plus one line, never a walk over the whole text.
namespace fieldoffsets {

// The text's length in UTF-16 code units.
int length(const QsciScintillaBase& field);
// The offset of a byte position (which must be a character's start).
int offsetOf(const QsciScintillaBase& field, long position);
// The byte position of an offset, within 0 and the text's end. An offset between the two
// halves of a surrogate pair stands for the character's start.
long positionOf(const QsciScintillaBase& field, int offset);

// The text between two byte positions.
QString textRange(const QsciScintillaBase& field, long from, long to);

}  // namespace fieldoffsets
