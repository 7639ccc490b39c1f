#pragma once

#include <QDialog>
#include <QString>
#include <memory>
#include <string>

#include "dialogs/scripted_dialog.h"
#include "mailbox/mailbox_import.h"

class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QTableView;
class MailboxReportModel;

// "返送メール取込": reads what came back to the sender's mailbox (bounces, complaints,
// opt-out replies), shows it, and adds the ticked addresses to the opt-out list. Nothing is
// written before "配信停止リストに追加"; "キャンセル" leaves the mail unread for next time.
class MailboxDialog : public QDialog, public ScriptedDialog<MailboxDialog> {
    Q_OBJECT
public:
    struct SmtpFields {
        QString server;
        QString user;
        QString password;
    };
    // `project` is the picked project (CP932). Reads its mailbox settings; throws StoreError
    // when they are there but cannot be read.
    MailboxDialog(std::string appPath, std::string project, SmtpFields smtp,
                  QWidget* parent = nullptr);
    ~MailboxDialog() override;

    void run();

    // The settings as the fields hold them.
    mailbox::Settings settings() const;
    void fillFromSmtp();
    void testConnection();
    // Saves the settings and reads the new mail into the report; false when cancelled or
    // refused (the user was told).
    bool readMail();
    // Adds the ticked rows; false when nothing was written.
    bool addTicked();
    // What "表をコピー" puts on the clipboard.
    QString tableText() const;

    QTableView* table() const;
    QLabel* countsLabel() const { return counts_; }
    // Null until a report is shown.
    const mailbox::Report* report() const;
    // Shows a report: the one just read, or one a benchmark built.
    void showReport(std::unique_ptr<mailbox::Report> report);

    // Tests: the TLS ports and the CA the endpoint uses.
    static void setEndpointHook(std::function<void(mailbox::Endpoint&)> hook);

private:
    std::optional<mailbox::Endpoint> endpointOrWarn();
    void protocolChanged();

    std::string appPath_;
    std::string project_;
    SmtpFields smtp_;
    QComboBox* protocol_ = nullptr;
    QLineEdit* server_ = nullptr;
    QLineEdit* port_ = nullptr;
    QLineEdit* user_ = nullptr;
    QLineEdit* password_ = nullptr;
    QLineEdit* folder_ = nullptr;
    QLabel* counts_ = nullptr;
    QTableView* table_ = nullptr;
    MailboxReportModel* model_ = nullptr;
    QPushButton* add_ = nullptr;
    QPushButton* copy_ = nullptr;
};
