#pragma once

#include <QColor>
#include <QFont>
#include <QIcon>

class QLabel;
class QLineEdit;
class QToolButton;
class QWidget;

// The settings window's look: fonts, colours, flat buttons, hints and headings.
namespace windowlook {

inline const QColor kBackground(247, 255, 255);
inline const QColor kNavy(0, 0, 128);
inline const QColor kHintGrey(128, 128, 128);

// The window font: the Japanese gothic family list at 13 px; the small one is 12 px.
QFont windowFont();
QFont smallFont();

enum class ButtonKind {
    Project,  // navy underlined caption, small icon
    Group,    // underlined caption in the text colour, no icon
    Check,    // plain caption with an icon
};

// A flat button that never takes the focus; its caption is also its accessible name.
QToolButton* makeButton(QWidget* parent, const char* name, const char* caption, ButtonKind kind,
                        const QIcon& icon = QIcon());

QLabel* makeHint(QWidget* parent, const QString& text);
QLabel* makeHeading(QWidget* parent, const QString& text);
// A caption to the left of a field; the field takes it as its accessible name.
QLabel* makeCaption(QWidget* parent, const QString& text, QWidget* buddy);
// A sunken read-only panel.
void makePanel(QLineEdit* panel);

}  // namespace windowlook
