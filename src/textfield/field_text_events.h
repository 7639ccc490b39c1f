#pragma once

#include <QString>
#include <deque>

class PlainTextField;

// What a field tells assistive tools about its text: each edit with its UTF-16 offset and
// text, the caret and the selection when they move, and a swap of the whole text as the
// removal of the text before and the insert of the new. The engine reports an edit just
// before it happens, so each is sent once done. A long text swapped in is told in pieces,
// one a turn of the window's loop, each read from the field when it is told: one event
// with a million lines would stop the window for every tool that reads it.
class FieldTextEvents {
public:
    explicit FieldTextEvents(PlainTextField* field);

    void beforeInsert(long position, long length);
    void beforeDelete(long position, long length);
    // Around a swap of the whole text; the engine's edits in between are not told one by
    // one. Nested pairs count as one.
    void beginSwap();
    void endSwap();
    // Ends a swap to a stand-in (the empty field while a load runs): nothing is told until
    // the next swap ends, which tells the text swapped out now and its own.
    void holdSwap();
    // Tells where the caret and the selection are, if that changed; edits go first.
    void caretMayHaveMoved();
    // Sends the edits told so far, and the next piece of a text swapped in.
    void send();

private:
    enum class Kind { Insert, Remove, Blanks, Swapped };
    struct Edit {
        Kind kind;
        int offset;
        long position;  // bytes: an insert's start, or the swapped-in text's rest
        long length;    // bytes of an insert or of that rest; units of blanks
        QString text;   // what was removed, or inserted once read
    };
    void completeInsert();
    // Tells the first edit, or a piece of it; returns what that cost in characters.
    long tellFirst();
    // Everything now, while the swapped-in text is still there to read.
    void tellSwappedText();
    void schedule();
    QString wholeText() const;

    PlainTextField* field_;
    std::deque<Edit> pending_;
    bool insertOpen_ = false;
    bool scheduled_ = false;
    bool caretOwed_ = false;
    int swapDepth_ = 0;
    bool swapTold_ = false;
    QString swappedOut_;  // the text swapped out when short, else null
    int swappedOutUnits_ = 0;
    int caret_ = -1;
    int selectionStart_ = -1;
    int selectionEnd_ = -1;
};
