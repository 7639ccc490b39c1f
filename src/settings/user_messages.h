#pragma once

#include <QString>

class QWidget;

// The settings window's boxes, all with the caption "ZELMonitor".
namespace usermsg {

// A warning; the focus then goes to the field at fault, when one is given.
void warn(const QString& text, QWidget* focus = nullptr);
void inform(const QString& text);
void plain(const QString& text);
// The OK / Cancel question; true only for OK.
bool ask(const QString& text);

inline const QString kNoProject = QStringLiteral("プロジェクト名を正しく指定してください。");
inline const QString kRefusedName =
    QStringLiteral("プロジェクト名に使用できない文字が入力されています。");

}  // namespace usermsg
