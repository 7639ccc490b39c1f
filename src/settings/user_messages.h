#pragma once

#include <QString>

// Texts more than one of the settings window's handlers say.
namespace usermsg {

inline const QString kNoProject = QStringLiteral("プロジェクト名を正しく指定してください。");
inline const QString kRefusedName =
    QStringLiteral("プロジェクト名に使用できない文字が入力されています。");

}  // namespace usermsg
