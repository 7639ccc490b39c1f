// Where the controls stand: top bar, project settings, group settings, in reading order.
#include <QGridLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

#include "dialogs/window_look.h"
#include "settings/recipient_count_label.h"
#include "settings/settings_window.h"
#include "shell/utf8_text.h"

namespace {

constexpr int kCaptionWidth = 170;
constexpr int kFieldWidth = 300;
constexpr int kShortFieldWidth = 60;

using shell::u;

QHBoxLayout* row(std::initializer_list<QWidget*> widgets, bool stretch = true) {
    auto* layout = new QHBoxLayout;
    layout->setSpacing(6);
    for (QWidget* widget : widgets) layout->addWidget(widget);
    if (stretch) layout->addStretch(1);
    return layout;
}

// A section: captions in the first column, their fields and hints after them.
QGridLayout* sectionGrid(QWidget* section, int bottomMargin) {
    auto* grid = new QGridLayout(section);
    grid->setContentsMargins(0, 4, 0, bottomMargin);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(5);
    grid->setColumnMinimumWidth(0, kCaptionWidth);
    return grid;
}

}  // namespace

void TForm3::buildLayout() {
    setFont(windowlook::windowFont());
    QPalette pal = palette();
    pal.setColor(QPalette::Window, windowlook::kBackground);
    setPalette(pal);
    setAutoFillBackground(true);

    auto* main = new QVBoxLayout(this);
    main->setContentsMargins(14, 8, 14, 12);
    main->setSpacing(6);
    main->addWidget(buildTopBar());
    main->addWidget(buildProjectSection());
    main->addWidget(buildGroupSection(), 1);
}

QWidget* TForm3::buildTopBar() {
    auto* bar = new QWidget(this);
    auto* layout = new QHBoxLayout(bar);
    layout->setContentsMargins(0, 0, 0, 0);
    Edit4->setFixedWidth(340);
    layout->addWidget(Edit4);
    layout->addWidget(SpeedButton3);
    layout->addSpacing(16);
    layout->addWidget(btnOptOut);
    layout->addWidget(btnMailbox);
    layout->addStretch(1);
    layout->addWidget(btnManual);
    layout->addWidget(SpeedButton1);
    return bar;
}

QWidget* TForm3::buildProjectSection() {
    auto* section = new QWidget(this);
    auto* grid = sectionGrid(section, 4);
    grid->setColumnStretch(2, 1);
    using windowlook::makeCaption;
    using windowlook::makeHint;

    for (QLineEdit* field : {txtSmtpId, txtSmtpPwd}) field->setFixedWidth(180);
    for (QWidget* field : {static_cast<QWidget*>(Edit1), static_cast<QWidget*>(Edit2),
                           static_cast<QWidget*>(Edit3), static_cast<QWidget*>(txtProject)})
        field->setFixedWidth(kFieldWidth);
    txtMailName->setFixedWidth(240);
    for (QLineEdit* field : {txtSmtpPort, txtPauseInterval, txtPauseTime})
        field->setFixedWidth(kShortFieldWidth);
    cmbProject->setFixedWidth(kFieldWidth);
    CmbSmtp->setFixedWidth(130);
    cmbSmtpHtml->setFixedWidth(130);

    int r = 0;
    grid->addWidget(windowlook::makeHeading(section, u("●メール送信基本設定")), r, 0);
    grid->addLayout(row({txtProject, SpeedButton2}), r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("プロジェクト名"), cmbProject), r, 0);
    // Five controls share this row: closer together, so the project list keeps its width.
    QHBoxLayout* projectRow =
        row({cmbProject, SpeedButton8, SpeedButton9, SpeedButton7, btnPrecheck});
    projectRow->setSpacing(2);
    grid->addLayout(projectRow, r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("SMTP送信タイプ"), CmbSmtp), r, 0);
    grid->addLayout(row({CmbSmtp}), r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("SMTP-AUTH用ﾕｰｻﾞｰID／ﾊﾟｽﾜｰﾄﾞ"), txtSmtpId), r, 0);
    grid->addLayout(row({txtSmtpId, new QLabel(u("／"), section), txtSmtpPwd}), r++, 1, 1, 2);
    txtSmtpId->setAccessibleName(u("SMTP-AUTH用ﾕｰｻﾞｰID"));
    txtSmtpPwd->setAccessibleName(u("SMTP-AUTH用ﾊﾟｽﾜｰﾄﾞ"));

    grid->addWidget(makeCaption(section, u("SMTPサーバーアドレス"), Edit1), r, 0);
    grid->addLayout(row({Edit1, makeCaption(section, u("ポート"), txtSmtpPort), txtSmtpPort,
                         makeHint(section, u("SMTP:25 SMTP-AUTH:587")), btnSmtpTest}),
                    r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("クライアント名"), Edit2), r, 0);
    grid->addLayout(row({Edit2, makeHint(section, u("※メールアカウントを登録します。"))}), r++, 1,
                    1, 2);

    grid->addWidget(makeCaption(section, u("送信元メールアドレス"), Edit3), r, 0);
    grid->addLayout(row({Edit3, makeCaption(section, u("送信元名称"), txtMailName), txtMailName}),
                    r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("ポーズ件数"), txtPauseInterval), r, 0);
    grid->addLayout(
        row({txtPauseInterval, new QLabel(u("件"), section),
             makeHint(section, u("※何件送信ごとにポーズ時間を置くか、指定します。（０～）"))}),
        r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("ポーズ時間"), txtPauseTime), r, 0);
    grid->addLayout(row({txtPauseTime, new QLabel(u("秒"), section),
                         makeHint(section, u("※何秒ポーズを置くか、指定します。（０～）"))}),
                    r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("HTMLメール"), cmbSmtpHtml), r, 0);
    grid->addLayout(row({cmbSmtpHtml}), r++, 1, 1, 2);
    return section;
}

QWidget* TForm3::buildGroupSection() {
    auto* section = new QWidget(this);
    auto* grid = sectionGrid(section, 0);
    using windowlook::makeCaption;
    using windowlook::makeHint;

    txtMailGroup->setFixedWidth(kFieldWidth);
    cmbMailGroup->setFixedWidth(64);
    pnlMailGroup->setFixedWidth(kFieldWidth - 64 - 6);
    Memo1->setFixedWidth(kFieldWidth);

    int r = 0;
    grid->addWidget(windowlook::makeHeading(section, u("●送信プロジェクト内グループ別設定")), r, 0);
    grid->addLayout(row({txtMailGroup, SpeedButton4}), r++, 1, 1, 2);

    grid->addWidget(makeCaption(section, u("ﾒｰﾙｸﾞﾙｰﾌﾟ選択"), cmbMailGroup), r, 0);
    grid->addLayout(row({cmbMailGroup, pnlMailGroup, SpeedButton5, SpeedButton6}), r++, 1, 1, 2);

    // Notes beside the recipient list, top to bottom, with the example at the foot.
    auto* notes = new QVBoxLayout;
    auto note = [section](const char* text) {
        QLabel* label = windowlook::makeHint(section, u(text));
        label->setWordWrap(true);
        return label;
    };
    notes->setSpacing(4);
    notes->addWidget(note("※削除は指定のｸﾞﾙｰﾌﾟではなく、最後のｸﾞﾙｰﾌﾟが削除されます"));
    notes->addSpacing(10);
    notes->addWidget(note("※保存時は、表示されているﾒｰﾙｸﾞﾙｰﾌﾟとして以下の項目が保存されます。"));
    QLabel* indented =
        note("ﾒｰﾙｸﾞﾙｰﾌﾟの送信先や、件名、本文を編集した際は、常に保存を押してください。");
    indented->setIndent(14);
    notes->addWidget(indented);
    notes->addWidget(note("※ﾘｽﾄが空の場合は、ﾒｰﾙ送信しません"));
    notes->addStretch(1);
    auto* example = new QGridLayout;
    example->setHorizontalSpacing(4);
    example->setVerticalSpacing(2);
    example->addWidget(makeHint(section, u("ﾒｰﾙ送信先記入例）")), 0, 0);
    example->addWidget(makeHint(section, u("taro.yamada@example.com")), 0, 1);
    example->addWidget(makeHint(section, u("hanako.suzuki@example.com")), 1, 1);
    example->setColumnStretch(2, 1);
    notes->addLayout(example);

    auto* listLabel = makeCaption(section, u("ﾒｰﾙ送信先ﾘｽﾄ"), Memo1);
    // The live count beside the caption; the list's own tools below it.
    auto* listSide = new QVBoxLayout;
    listSide->setSpacing(4);
    listSide->addLayout(row({listLabel, lblRecipientCount}));
    listSide->addWidget(btnImport);
    listSide->addWidget(btnCheckRecipients);
    listSide->addStretch(1);
    grid->addLayout(listSide, r, 0);
    grid->addWidget(Memo1, r, 1);
    grid->addLayout(notes, r, 2);
    grid->setRowStretch(r++, 3);

    grid->addWidget(makeCaption(section, u("ﾒｰﾙ件名"), txtMailSubject), r, 0);
    grid->addWidget(txtMailSubject, r++, 1, 1, 2);

    auto* bodyCaption = new QVBoxLayout;
    bodyCaption->addWidget(makeCaption(section, u("ﾒｰﾙ本文"), txtMailBody));
    bodyCaption->addWidget(btnPreview, 0, Qt::AlignLeft);
    bodyCaption->addWidget(btnTestMail, 0, Qt::AlignLeft);
    bodyCaption->addStretch(1);
    grid->addLayout(bodyCaption, r, 0);
    grid->addWidget(txtMailBody, r, 1, 1, 2);
    grid->setRowStretch(r++, 2);
    grid->setColumnStretch(2, 1);
    return section;
}
