#pragma once

#include <QTextBrowser>

// A text browser for mail the user has not sent yet: it fetches nothing, neither from the
// network nor from disk (a remote image would tell its sender the mail was opened), and
// follows no link. Only data: URLs, which carry their own bytes, are shown.
class OfflineTextBrowser : public QTextBrowser {
    Q_OBJECT
public:
    explicit OfflineTextBrowser(QWidget* parent = nullptr);

    QVariant loadResource(int type, const QUrl& name) override;
};
