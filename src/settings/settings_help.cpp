// The manual from the settings window: the 使い方 button, and F1 at the page of the area
// that has the focus.
#include <QHash>

#include "dialogs/manual_window.h"
#include "settings/settings_window.h"

QString TForm3::manualPageFor(const QWidget* focused) {
    static const QHash<QString, QString> pages = [] {
        QHash<QString, QString> map;
        for (const char* name : {"txtProject", "cmbProject", "CmbSmtp", "txtSmtpId", "txtSmtpPwd",
                                 "Edit1", "txtSmtpPort", "Edit2", "Edit3", "txtMailName",
                                 "txtPauseInterval", "txtPauseTime", "cmbSmtpHtml"})
            map.insert(QLatin1String(name), QStringLiteral("project.md"));
        for (const char* name :
             {"txtMailGroup", "cmbMailGroup", "Memo1", "txtMailSubject", "txtMailBody"})
            map.insert(QLatin1String(name), QStringLiteral("groups.md"));
        map.insert(QStringLiteral("Edit4"), QStringLiteral("sending.md"));
        return map;
    }();
    // A large field's focus sits on its inner view: its owner names the area.
    for (const QWidget* w = focused; w; w = w->parentWidget()) {
        const auto found = pages.constFind(w->objectName());
        if (found != pages.constEnd()) return *found;
    }
    return QStringLiteral("index.md");
}

void TForm3::btnManualClick() {
    ManualWindow::open(QStringLiteral("index.md"), this);
}
