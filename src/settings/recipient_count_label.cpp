#include "settings/recipient_count_label.h"

#include "dialogs/recipient_texts.h"
#include "recipients/field_lines.h"
#include "settings/plain_text_field.h"

RecipientCountLabel::RecipientCountLabel(PlainTextField* field, QWidget* parent)
    : QLabel(parent), field_(field) {
    setObjectName(QStringLiteral("lblRecipientCount"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &RecipientCountLabel::refresh);
    // Each change starts the pause again: a held key or a paste of many lines counts once.
    connect(field_, &QsciScintilla::textChanged, &timer_, qOverload<>(&QTimer::start));
    refresh();
}

void RecipientCountLabel::refresh() {
    timer_.stop();
    const long length = field_->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    // The engine closes its gap once and hands out its own buffer: nothing is copied.
    const auto* text = reinterpret_cast<const char*>(
        field_->SendScintilla(QsciScintilla::SCI_GETCHARACTERPOINTER));
    const std::size_t count = text ? recipients::countNonEmptyLines(text, std::size_t(length)) : 0;
    setText(recipienttext::number(count) + QStringLiteral("件"));
}
