#pragma once

#include <QString>
#include <string>
#include <vector>

class PlainTextField;

// What the swap that ends a background load tells assistive tools, made on the worker with
// the text: for a large list either string would stall the window's thread.
struct PreparedSwap {
    bool made = false;
    QString inserted;    // the whole text swapped in
    QString removed;     // blanks for the text it replaces, when that is told by length
    bool ascii = false;  // the text is ASCII only, so offsets are byte positions

    // On any thread; `removedUnits` from FieldTextEvents::untoldRemovedUnits.
    static PreparedSwap of(const std::string& utf8, int removedUnits);
};

// What a field tells assistive tools about its text: each edit with its UTF-16 offset and
// text, the caret and the selection when they move, and a swap of the whole text as one
// update. The engine reports an edit just before it happens, so each is sent once done.
class FieldTextEvents {
public:
    explicit FieldTextEvents(PlainTextField* field);

    void beforeInsert(long position, long length);
    void beforeDelete(long position, long length);
    // Around a swap of the whole text; the engine's edits in between are not told one by
    // one. Nested pairs count as one. `prepared`, when made, is the text swapped in.
    void beginSwap();
    void endSwap(const PreparedSwap* prepared = nullptr);
    // Ends a swap to a stand-in (the empty field while a load runs): nothing is told until
    // the next swap ends, which tells the text swapped out now and its own in one update.
    void holdSwap();
    // The length of a removal still to be told by blanks, for PreparedSwap::of; 0 if none.
    int untoldRemovedUnits() const;
    // Tells where the caret and the selection are, if that changed; edits go first.
    void caretMayHaveMoved();
    // Sends the edits told so far.
    void send();

private:
    enum class Kind { Insert, Remove, Update };
    struct Edit {
        Kind kind;
        int offset;
        long position;  // bytes, for an insert whose text is read once it is in
        long length;
        QString removed;
        QString inserted;
    };
    void completeInsert();
    void schedule();
    QString wholeText() const;

    PlainTextField* field_;
    std::vector<Edit> pending_;
    bool insertOpen_ = false;
    bool scheduled_ = false;
    int swapDepth_ = 0;
    bool swapTold_ = false;
    QString swappedOut_;  // the text swapped out when short, else null
    int swappedOutUnits_ = 0;
    int caret_ = -1;
    int selectionStart_ = -1;
    int selectionEnd_ = -1;
};
