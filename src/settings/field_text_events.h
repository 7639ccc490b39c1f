#pragma once

#include <QString>
#include <vector>

class PlainTextField;

// What a field tells assistive tools about its text: each edit with its UTF-16 offset and
// text, the caret and the selection when they move, and a swap of the whole text as one
// update. The engine reports an edit just before it happens, so each is sent once done.
class FieldTextEvents {
public:
    explicit FieldTextEvents(PlainTextField* field);

    void beforeInsert(long position, long length);
    void beforeDelete(long position, long length);
    // Around a swap of the whole text; the engine's edits in between are not told one by
    // one. Nested pairs count as one.
    void beginSwap();
    void endSwap();
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
    QString swappedOut_;
    int caret_ = -1;
    int selectionStart_ = -1;
    int selectionEnd_ = -1;
};
