#include "settings/settings_window.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "dialogs/manual_window.h"
#include "settings/combo_entries.h"
#include "settings/field_text.h"
#include "settings/optout_refusal.h"
#include "shell/error_report.h"
#include "shell/message_box.h"
#include "shell/start_window.h"

namespace {

constexpr int kProjectNameRole = Qt::UserRole;

}  // namespace

TForm3::TForm3(QWidget* parent)
    // A fixed dialog-like window: no maximise button, as the size never changes.
    : QWidget(parent, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                          Qt::WindowSystemMenuHint | Qt::WindowMinimizeButtonHint |
                          Qt::WindowCloseButtonHint) {
    setObjectName(QStringLiteral("Form3"));
    setWindowTitle(QStringLiteral("Fendrival 設定画面"));
    buildControls();
    buildLayout();
    setTabOrderChain();
    connectHandlers();
    manual::onF1(this, &TForm3::manualPageFor);

    setFixedSize(1012, 713);
    if (const QScreen* screen = QGuiApplication::primaryScreen()) {
        QRect centred(QPoint(), size());
        centred.moveCenter(screen->availableGeometry().center());
        move(centred.topLeft());
    }
}

void TForm3::connectHandlers() {
    // activated is the user's pick only; selections set by a load never run a handler.
    connect(CmbSmtp, &QComboBox::activated, this,
            [this] { shell::runHandler([this] { CmbSmtpChange(); }); });
    connect(cmbSmtpHtml, &QComboBox::activated, this,
            [this] { shell::runHandler([this] { CmbSmtpChange(); }); });
    connect(cmbProject, &QComboBox::activated, this,
            [this] { shell::runHandler([this] { cmbProjectChange(); }); });
    connect(cmbMailGroup, &QComboBox::activated, this,
            [this] { shell::runHandler([this] { cmbMailGroupChange(); }); });
    const std::pair<QToolButton*, void (TForm3::*)()> buttons[] = {
        {SpeedButton1, &TForm3::SpeedButton1Click},
        {SpeedButton2, &TForm3::SpeedButton2Click},
        {SpeedButton8, &TForm3::SpeedButton8Click},
        {SpeedButton9, &TForm3::SpeedButton9Click},
        {SpeedButton4, &TForm3::SpeedButton4Click},
        {SpeedButton5, &TForm3::SpeedButton5Click},
        {SpeedButton6, &TForm3::SpeedButton6Click},
        {SpeedButton7, &TForm3::SpeedButton7Click},
        {SpeedButton3, &TForm3::SpeedButton3Click},
        {btnSmtpTest, &TForm3::btnSmtpTestClick},
        {btnPreview, &TForm3::btnPreviewClick},
        {btnTestMail, &TForm3::btnTestMailClick},
        {btnOptOut, &TForm3::btnOptOutClick},
        {btnMailbox, &TForm3::btnMailboxClick},
        {btnPrecheck, &TForm3::btnPrecheckClick},
        {btnImport, &TForm3::btnImportClick},
        {btnCheckRecipients, &TForm3::btnCheckRecipientsClick},
        {btnManual, &TForm3::btnManualClick},
    };
    for (const auto& [button, handler] : buttons) {
        connect(button, &QToolButton::clicked, this, [this, handler = handler] {
            shell::runHandler([this, handler] {
                optoutrefusal::guard([this, handler] { (this->*handler)(); },
                                     [this] { btnOptOutClick(); });
            });
        });
    }
}

void TForm3::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (!event->spontaneous()) shell::runHandler([this] { FormShow(); });
}

void TForm3::closeEvent(QCloseEvent* event) {
    bool canClose = false;
    shell::runHandler([&] {
        bool answer = true;
        FormCloseQuery(answer);
        canClose = answer;
    });
    if (canClose) {
        event->accept();
    } else {
        event->ignore();
    }
}

void TForm3::FormCloseQuery(bool& CanClose) {
    const int answer =
        TForm1::fncMessageBox(QStringLiteral("設定画面を終了します。よろしいですか？"),
                              shell::kCaption, shell::kStyleQuestion);
    CanClose = answer == shell::kResultOk;
}

void TForm3::SpeedButton1Click() {
    close();
}

void TForm3::addProjectEntry(const std::string& project) {
    comboentries::append(cmbProject, fieldtext::fromStore(project),
                         QByteArray(project.data(), qsizetype(project.size())));
}

std::string TForm3::projectNameAt(int index) const {
    const QVariant name = cmbProject->itemData(index, kProjectNameRole);
    if (name.typeId() == QMetaType::QByteArray) return name.toByteArray().toStdString();
    // An entry added without its bytes: its text is the name.
    return fieldtext::toStore(cmbProject->itemText(index)).value_or(std::string());
}

std::string TForm3::currentProjectName() const {
    const int index = cmbProject->currentIndex();
    return index < 0 ? std::string() : projectNameAt(index);
}
