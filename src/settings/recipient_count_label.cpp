#include "settings/recipient_count_label.h"

#include "dialogs/recipient_texts.h"
#include "recipients/field_lines.h"
#include "textfield/plain_text_field.h"

#include <string_view>

RecipientCountLabel::RecipientCountLabel(PlainTextField* field, QWidget* parent)
    : QLabel(parent), field_(field) {
    setObjectName(QStringLiteral("lblRecipientCount"));
    setTextFormat(Qt::PlainText);
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    timer_.setSingleShot(true);
    timer_.setInterval(kPauseMs);
    connect(&timer_, &QTimer::timeout, this, &RecipientCountLabel::refresh);
    // Each change starts the pause again: a held key or a paste of many lines counts once.
    // The engine's notice comes as the edit starts, the field's after a whole new text.
    connect(field_, &QsciScintillaBase::SCN_MODIFIED, &timer_, [this] { timer_.start(); });
    connect(field_, &QsciScintilla::textChanged, &timer_, qOverload<>(&QTimer::start));
    refresh();
}

void RecipientCountLabel::refresh() {
    timer_.stop();
    // The buffer is read in place as its two parts around the editing gap: closing the
    // gap would move the text after it, and the next key would move it back.
    const long length = field_->SendScintilla(QsciScintilla::SCI_GETLENGTH);
    const long gap = field_->SendScintilla(QsciScintilla::SCI_GETGAPPOSITION);
    const auto part = [this](long from, long size) {
        if (size <= 0) return std::string_view();
        const auto* data = reinterpret_cast<const char*>(
            field_->SendScintilla(QsciScintilla::SCI_GETRANGEPOINTER, from, size));
        return data ? std::string_view(data, std::size_t(size)) : std::string_view();
    };
    const std::string_view before = part(0, gap), after = part(gap, length - gap);
    std::size_t count = recipients::countNonEmptyLines(before.data(), before.size()) +
                        recipients::countNonEmptyLines(after.data(), after.size());
    // A line split by the gap was counted in both parts.
    const auto isEnd = [](char c) { return c == '\n' || c == '\r'; };
    if (!before.empty() && !after.empty() && !isEnd(before.back()) && !isEnd(after.front()))
        --count;
    setText(recipienttext::number(count) + QStringLiteral("件"));
}
