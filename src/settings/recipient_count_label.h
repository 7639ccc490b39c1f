#pragma once

#include <QLabel>
#include <QTimer>

class PlainTextField;

// "1,234件": the non-empty lines of a recipient field, counted once typing pauses. The
// count reads the editor's buffer in place, without moving it: a copy of a million lines
// would cost more than the count.
class RecipientCountLabel : public QLabel {
    Q_OBJECT
public:
    static constexpr int kPauseMs = 300;

    RecipientCountLabel(PlainTextField* field, QWidget* parent);

    // Counts now, without waiting for the pause.
    void refresh();
    bool pending() const { return timer_.isActive(); }

private:
    PlainTextField* field_;
    QTimer timer_;
};
