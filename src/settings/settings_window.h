#pragma once

#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QToolButton>
#include <QWidget>
#include <optional>
#include <string>
#include <vector>

#include "smtp/smtp_check.h"
#include "textfield/plain_text_field.h"

class RecipientCountLabel;

namespace store {
class ProjectStore;
}

// The settings window: one project's sending settings above, one of its mail groups
// below. Controls keep the names the rest of the tool knows them by.
class TForm3 : public QWidget {
    Q_OBJECT
public:
    explicit TForm3(QWidget* parent = nullptr);

    QLineEdit* Edit4 = nullptr;
    QToolButton* SpeedButton3 = nullptr;
    QToolButton* SpeedButton1 = nullptr;
    QLineEdit* txtProject = nullptr;
    QToolButton* SpeedButton2 = nullptr;
    QComboBox* cmbProject = nullptr;
    QToolButton* SpeedButton8 = nullptr;
    QToolButton* SpeedButton9 = nullptr;
    QToolButton* SpeedButton7 = nullptr;
    QComboBox* CmbSmtp = nullptr;
    QLineEdit* txtSmtpId = nullptr;
    QLineEdit* txtSmtpPwd = nullptr;
    QLineEdit* Edit1 = nullptr;
    QLineEdit* txtSmtpPort = nullptr;
    QLineEdit* Edit2 = nullptr;
    QLineEdit* Edit3 = nullptr;
    QLineEdit* txtMailName = nullptr;
    QLineEdit* txtPauseInterval = nullptr;
    QLineEdit* txtPauseTime = nullptr;
    QComboBox* cmbSmtpHtml = nullptr;
    QLineEdit* txtMailGroup = nullptr;
    QToolButton* SpeedButton4 = nullptr;
    QComboBox* cmbMailGroup = nullptr;
    QLineEdit* pnlMailGroup = nullptr;  // read-only panel
    QToolButton* SpeedButton5 = nullptr;
    QToolButton* SpeedButton6 = nullptr;
    PlainTextField* Memo1 = nullptr;
    QLineEdit* txtMailSubject = nullptr;
    PlainTextField* txtMailBody = nullptr;
    QToolButton* btnSmtpTest = nullptr;  // "接続テスト" beside the SMTP fields
    QToolButton* btnPreview = nullptr;   // "プレビュー" beside the body
    QToolButton* btnTestMail = nullptr;  // "テスト送信…" below it
    QToolButton* btnOptOut = nullptr;    // "配信停止リスト…": the store's opt-out list
    QToolButton* btnMailbox = nullptr;   // "返送メール取込…": returned mail into that list
    QToolButton* btnPrecheck = nullptr;  // "送信前チェック…" beside the batch file button
    QToolButton* btnManual = nullptr;    // "使い方": the manual, as F1 opens it
    // Beside the recipient list: reading it from a file, checking it, its live count.
    QToolButton* btnImport = nullptr;
    QToolButton* btnCheckRecipients = nullptr;
    RecipientCountLabel* lblRecipientCount = nullptr;

    // The group count of the project shown, as text ("1" when the file has none).
    std::string heldGroupCount;

    // Handlers.
    void FormShow();
    void FormCloseQuery(bool& CanClose);
    void SpeedButton1Click();
    void SpeedButton2Click();  // add a project
    void SpeedButton9Click();  // delete the chosen project
    void SpeedButton8Click();  // save the project's settings
    void SpeedButton4Click();  // add a mail group
    void SpeedButton5Click();  // save the shown mail group
    void SpeedButton6Click();  // delete the last mail group
    void SpeedButton7Click();  // write the send batch file
    void SpeedButton3Click();  // open the Java runtime check page
    void btnSmtpTestClick();   // try the SMTP fields as they stand; nothing is sent
    void btnPreviewClick();    // show the shown group's mail as its recipient would
    void btnTestMailClick();   // send the shown group's mail to one typed address
    void btnOptOutClick();     // edit the addresses no project may mail
    void btnMailboxClick();    // read the project's returned mail into the opt-out list
    void btnPrecheckClick();   // check what would keep the project's mail from arriving
    void btnManualClick();     // open the manual at its contents
    // The manual page (file name) for the area of the focused widget.
    static QString manualPageFor(const QWidget* focused);
    // The SMTP fields as a request, or a warning on the field not worth trying.
    std::optional<smtp::Request> smtpRequestOrWarn();
    void btnImportClick();           // read recipients from a file the user picks
    void btnCheckRecipientsClick();  // check the recipient list as it stands
    // The import without the file dialog: the given file is read and reported.
    void importRecipientsFrom(const QString& path);
    void clearData();
    void CmbSmtpChange();
    void cmbProjectChange();
    void cmbMailGroupChange();
    // Loads the project (CP932 name, exactly as listed) into the fields.
    void setData(const std::string& project);

    // The project list holds CP932 names; an entry shows its decoded text.
    void addProjectEntry(const std::string& project);
    std::string projectNameAt(int index) const;
    // The chosen entry's name, "" when none is chosen.
    std::string currentProjectName() const;
    // Every entry's name, in list order.
    std::vector<std::string> projectNames() const;

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void buildControls();
    QWidget* buildTopBar();
    QWidget* buildProjectSection();
    QWidget* buildGroupSection();
    void buildLayout();
    void setTabOrderChain();
    void connectHandlers();

    // Showing group n: the name, then (after the caller's own steps) its contents.
    void showGroupName(const store::ProjectStore& store, const std::string& project, int group);
    void showGroupContents(const store::ProjectStore& store, const std::string& project, int group);
    void showNoGroup();

    // The chosen project for a group action, or a warning and nothing.
    std::optional<std::string> groupProject();
    // The mail is sent as HTML: the form picked in "HTMLメール", saved or not.
    bool htmlChosen() const;
    // The held group count when a group action may use it, or a warning and nothing.
    std::optional<int> heldCountOrWarn();
};
