#include "dialogs/offline_text_browser.h"

#include <QByteArray>

OfflineTextBrowser::OfflineTextBrowser(QWidget* parent) : QTextBrowser(parent) {
    setOpenLinks(false);
    setOpenExternalLinks(false);
}

QVariant OfflineTextBrowser::loadResource(int type, const QUrl& name) {
    if (name.scheme().compare(QLatin1String("data"), Qt::CaseInsensitive) == 0)
        return QTextBrowser::loadResource(type, name);
    // Not empty: an empty answer would let the document try the file system itself.
    return QByteArray();
}
