#pragma once

#include <QDialog>
#include <QString>

class QLabel;
class OfflineTextBrowser;

// The mail as its recipient would see it: sender, subject and body, HTML rendered
// without loading anything, TEXT as it was typed.
class MailPreviewDialog : public QDialog {
    Q_OBJECT
public:
    explicit MailPreviewDialog(QWidget* parent);

    struct Mail {
        QString senderName;
        QString senderAddress;
        QString subject;
        QString body;
        bool html = false;
    };
    void show(const Mail& mail);

    // "送信元名称 <送信元メールアドレス>", or the address alone when there is no name.
    static QString senderLine(const QString& name, const QString& address);

    QLabel* sender = nullptr;
    QLabel* subject = nullptr;
    OfflineTextBrowser* body = nullptr;
};
