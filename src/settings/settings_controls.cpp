// The controls of the settings window: kind, caption, limit and input mode.
#include <QApplication>
#include <QStyle>

#include "dialogs/window_look.h"
#include "settings/input_mode.h"
#include "settings/recipient_count_label.h"
#include "settings/settings_window.h"
#include "settings/typing_limit.h"

namespace {

QLineEdit* makeField(QWidget* parent, const char* name, int maxLength, InputMode mode) {
    auto* field = new QLineEdit(parent);
    field->setObjectName(QLatin1String(name));
    if (maxLength > 0) typinglimit::apply(field, maxLength);
    applyInputMode(field, mode);
    return field;
}

QComboBox* makeList(QWidget* parent, const char* name, const QStringList& entries) {
    auto* list = new QComboBox(parent);
    list->setObjectName(QLatin1String(name));
    list->setEditable(false);
    list->addItems(entries);
    list->setCurrentIndex(-1);
    applyInputMode(list, InputMode::Default);
    return list;
}

PlainTextField* makeMultiLine(QWidget* parent, const char* name, InputMode mode) {
    auto* field = new PlainTextField(parent);
    field->setObjectName(QLatin1String(name));
    field->applyFont(windowlook::windowFont());
    applyInputMode(field, mode);
    return field;
}

}  // namespace

void TForm3::buildControls() {
    using windowlook::ButtonKind;
    QStyle* st = style();

    Edit4 = makeField(this, "Edit4", 0, InputMode::Default);
    Edit4->setFont(windowlook::smallFont());
    Edit4->setFocusPolicy(Qt::ClickFocus);  // skipped by Tab
    Edit4->setText(QStringLiteral("https://www.java.com/ja/download/installed.jsp"));
    Edit4->setAccessibleName(QStringLiteral("JREチェックページのアドレス"));
    SpeedButton3 =
        windowlook::makeButton(this, "SpeedButton3", "JRE(JAVA実行環境)のチェック",
                               ButtonKind::Check, st->standardIcon(QStyle::SP_ComputerIcon));
    btnOptOut = windowlook::makeButton(this, "btnOptOut", "配信停止リスト…", ButtonKind::Check,
                                       st->standardIcon(QStyle::SP_MessageBoxWarning));
    btnManual = windowlook::makeButton(this, "btnManual", "使い方", ButtonKind::Check,
                                       st->standardIcon(QStyle::SP_DialogHelpButton));
    btnMailbox = windowlook::makeButton(this, "btnMailbox", "返送メール取込…", ButtonKind::Check,
                                        st->standardIcon(QStyle::SP_ArrowDown));
    SpeedButton1 = windowlook::makeButton(this, "SpeedButton1", "閉じる", ButtonKind::Project,
                                          st->standardIcon(QStyle::SP_DialogCloseButton));

    txtProject = makeField(this, "txtProject", 64, InputMode::Japanese);
    txtProject->setAccessibleName(QStringLiteral("追加するプロジェクト名"));
    SpeedButton2 =
        windowlook::makeButton(this, "SpeedButton2", "プロジェクトの追加", ButtonKind::Project,
                               st->standardIcon(QStyle::SP_FileDialogNewFolder));
    cmbProject = makeList(this, "cmbProject", {});
    cmbProject->setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    SpeedButton8 = windowlook::makeButton(this, "SpeedButton8", "更新", ButtonKind::Project,
                                          st->standardIcon(QStyle::SP_DialogSaveButton));
    SpeedButton9 = windowlook::makeButton(this, "SpeedButton9", "削除", ButtonKind::Project,
                                          st->standardIcon(QStyle::SP_TrashIcon));
    SpeedButton7 =
        windowlook::makeButton(this, "SpeedButton7", "送信実行用バッチファイル出力",
                               ButtonKind::Project, st->standardIcon(QStyle::SP_FileIcon));
    // No icon: the project row is full, and the caption says what it does.
    btnPrecheck =
        windowlook::makeButton(this, "btnPrecheck", "送信前チェック…", ButtonKind::Project);

    CmbSmtp = makeList(this, "CmbSmtp", {QStringLiteral("SMTP"), QStringLiteral("SMTP-AUTH")});
    txtSmtpId = makeField(this, "txtSmtpId", 64, InputMode::LatinLiteral);
    txtSmtpPwd = makeField(this, "txtSmtpPwd", 64, InputMode::LatinLiteral);
    txtSmtpPwd->setEchoMode(QLineEdit::Password);
    // One "*" per character, whatever the style would draw.
    txtSmtpPwd->setStyleSheet(QStringLiteral("lineedit-password-character: 42;"));
    Edit1 = makeField(this, "Edit1", 64, InputMode::LatinLiteral);
    txtSmtpPort = makeField(this, "txtSmtpPort", 4, InputMode::LatinLiteral);
    Edit2 = makeField(this, "Edit2", 64, InputMode::Latin);
    Edit3 = makeField(this, "Edit3", 64, InputMode::LatinLiteral);
    txtMailName = makeField(this, "txtMailName", 64, InputMode::Japanese);
    txtPauseInterval = makeField(this, "txtPauseInterval", 6, InputMode::LatinLiteral);
    txtPauseTime = makeField(this, "txtPauseTime", 6, InputMode::LatinLiteral);
    cmbSmtpHtml = makeList(this, "cmbSmtpHtml", {QStringLiteral("TEXT"), QStringLiteral("HTML")});

    txtMailGroup = makeField(this, "txtMailGroup", 64, InputMode::Japanese);
    txtMailGroup->setAccessibleName(QStringLiteral("追加するﾒｰﾙｸﾞﾙｰﾌﾟ名"));
    SpeedButton4 = windowlook::makeButton(this, "SpeedButton4", "ﾒｰﾙｸﾞﾙｰﾌﾟ追加", ButtonKind::Group);
    cmbMailGroup = makeList(this, "cmbMailGroup", {});
    pnlMailGroup = new QLineEdit(this);
    pnlMailGroup->setObjectName(QStringLiteral("pnlMailGroup"));
    pnlMailGroup->setReadOnly(true);
    pnlMailGroup->setFocusPolicy(Qt::NoFocus);
    pnlMailGroup->setAccessibleName(QStringLiteral("表示中のﾒｰﾙｸﾞﾙｰﾌﾟ名"));
    windowlook::makePanel(pnlMailGroup);
    SpeedButton5 =
        windowlook::makeButton(this, "SpeedButton5", "ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新", ButtonKind::Group);
    SpeedButton6 = windowlook::makeButton(this, "SpeedButton6", "ﾒｰﾙｸﾞﾙｰﾌﾟ削除", ButtonKind::Group);
    Memo1 = makeMultiLine(this, "Memo1", InputMode::LatinLiteral);
    txtMailSubject = makeField(this, "txtMailSubject", 128, InputMode::Japanese);
    txtMailBody = makeMultiLine(this, "txtMailBody", InputMode::Latin);
    btnSmtpTest = windowlook::makeButton(this, "btnSmtpTest", "接続テスト", ButtonKind::Group);
    btnPreview = windowlook::makeButton(this, "btnPreview", "プレビュー", ButtonKind::Group);
    btnTestMail = windowlook::makeButton(this, "btnTestMail", "テスト送信…", ButtonKind::Group);
    btnImport = windowlook::makeButton(this, "btnImport", "ファイルから読込…", ButtonKind::Group);
    btnCheckRecipients =
        windowlook::makeButton(this, "btnCheckRecipients", "宛先チェック", ButtonKind::Group);
    lblRecipientCount = new RecipientCountLabel(Memo1, this);
}

void TForm3::setTabOrderChain() {
    const QList<QWidget*> order = {
        CmbSmtp,      txtSmtpId,   txtSmtpPwd,       Edit1,        txtSmtpPort, Edit2,
        Edit3,        txtMailName, txtPauseInterval, txtPauseTime, cmbSmtpHtml, txtMailGroup,
        cmbMailGroup, Memo1,       txtMailSubject,   txtMailBody,  cmbProject,  txtProject};
    for (int i = 0; i + 1 < order.size(); ++i) setTabOrder(order[i], order[i + 1]);
}

bool TForm3::htmlChosen() const {
    return cmbSmtpHtml->currentText() == QStringLiteral("HTML");
}
