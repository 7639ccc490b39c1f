#include "dialogs/window_look.h"

#include <QLabel>
#include <QLineEdit>
#include <QToolButton>

namespace windowlook {

QFont windowFont() {
    QFont font;
    font.setFamilies({QStringLiteral("ＭＳ ゴシック"), QStringLiteral("MS Gothic"),
                      QStringLiteral("IPAGothic"), QStringLiteral("IPAexGothic"),
                      QStringLiteral("Noto Sans Mono CJK JP"), QStringLiteral("Noto Sans CJK JP"),
                      QStringLiteral("VL Gothic"), QStringLiteral("TakaoGothic")});
    font.setStyleHint(QFont::TypeWriter);
    font.setPixelSize(13);
    return font;
}

QFont smallFont() {
    QFont font = windowFont();
    font.setPixelSize(12);
    return font;
}

QToolButton* makeButton(QWidget* parent, const char* name, const char* caption, ButtonKind kind,
                        const QIcon& icon) {
    auto* button = new QToolButton(parent);
    button->setObjectName(QLatin1String(name));
    const QString text = QString::fromUtf8(caption);
    button->setText(text);
    button->setAccessibleName(text);
    button->setAutoRaise(true);
    button->setFocusPolicy(Qt::NoFocus);
    QFont font = windowFont();
    font.setUnderline(kind != ButtonKind::Check);
    button->setFont(font);
    if (kind == ButtonKind::Project) {
        QPalette palette = button->palette();
        palette.setColor(QPalette::ButtonText, kNavy);
        palette.setColor(QPalette::WindowText, kNavy);
        button->setPalette(palette);
    }
    if (kind != ButtonKind::Group && !icon.isNull()) {
        button->setIcon(icon);
        button->setIconSize(QSize(16, 16));
        button->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    } else {
        button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    }
    return button;
}

QLabel* makeHint(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, kHintGrey);
    label->setPalette(palette);
    return label;
}

QLabel* makeHeading(QWidget* parent, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    return label;
}

QLabel* makeCaption(QWidget* parent, const QString& text, QWidget* buddy) {
    auto* label = new QLabel(text, parent);
    label->setTextFormat(Qt::PlainText);
    if (buddy) {
        label->setBuddy(buddy);
        buddy->setAccessibleName(text);
    }
    return label;
}

void makePanel(QLineEdit* panel) {
    panel->setFrame(true);
    panel->setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    QPalette palette = panel->palette();
    palette.setColor(QPalette::Base, kBackground);
    panel->setPalette(palette);
}

}  // namespace windowlook
