#include <QAccessible>
#include <QApplication>
#include <QSet>
#include <QTest>

#include "dialogs/window_look.h"
#include "settings_fixture.h"

namespace {

using LayoutTest = SettingsWindowTest;

QList<QWidget*> namedControls(TForm3& f) {
    return {f.Edit4,        f.SpeedButton3,     f.SpeedButton1, f.txtProject,
            f.SpeedButton2, f.cmbProject,       f.SpeedButton8, f.SpeedButton9,
            f.SpeedButton7, f.CmbSmtp,          f.txtSmtpId,    f.txtSmtpPwd,
            f.Edit1,        f.txtSmtpPort,      f.Edit2,        f.Edit3,
            f.txtMailName,  f.txtPauseInterval, f.txtPauseTime, f.cmbSmtpHtml,
            f.txtMailGroup, f.SpeedButton4,     f.cmbMailGroup, f.pnlMailGroup,
            f.SpeedButton5, f.SpeedButton6,     f.Memo1,        f.txtMailSubject,
            f.txtMailBody,  f.btnPrecheck};
}

TEST_F(LayoutTest, WindowHasFixedClientAreaBackgroundAndFonts) {
    form->show();
    EXPECT_EQ(form->size(), QSize(1012, 713));
    EXPECT_EQ(form->minimumSize(), form->maximumSize());
    EXPECT_EQ(form->palette().color(QPalette::Window), QColor(247, 255, 255));
    EXPECT_EQ(form->font().pixelSize(), 13);
    EXPECT_EQ(form->font().families().value(0), QStringLiteral("ＭＳ ゴシック"));
    EXPECT_TRUE(form->font().families().contains(QStringLiteral("IPAGothic")));
    EXPECT_EQ(form->Edit4->font().pixelSize(), 12);
    EXPECT_EQ(form->windowTitle(), QStringLiteral("Fendrival 設定画面"));
}

TEST_F(LayoutTest, FieldsAcceptTypingUpToTheirLimitsOnly) {
    const std::vector<std::pair<QLineEdit*, int>> limits = {
        {form->txtProject, 64},  {form->txtSmtpId, 64},    {form->txtSmtpPwd, 64},
        {form->Edit1, 64},       {form->txtSmtpPort, 4},   {form->Edit2, 64},
        {form->Edit3, 64},       {form->txtMailName, 64},  {form->txtPauseInterval, 6},
        {form->txtPauseTime, 6}, {form->txtMailGroup, 64}, {form->txtMailSubject, 128}};
    form->show();
    for (const auto& [field, limit] : limits) {
        SCOPED_TRACE(field->objectName().toStdString());
        field->clear();
        QTest::keyClicks(field, QString(limit + 3, QLatin1Char('x')));
        EXPECT_EQ(field->text().size(), limit);
    }
    // No keystroke filter: letters go into the numeric fields.
    form->txtPauseTime->clear();
    QTest::keyClicks(form->txtPauseTime, QStringLiteral("abc"));
    EXPECT_EQ(form->txtPauseTime->text(), QStringLiteral("abc"));
    // A limit counts characters, not Shift-JIS bytes.
    form->txtSmtpPort->clear();
    form->txtSmtpPort->insert(QStringLiteral("日本語文字"));  // as an input method commits
    EXPECT_EQ(form->txtSmtpPort->text(), QStringLiteral("日本語文"));
}

TEST_F(LayoutTest, PasswordIsHiddenAndOtherFieldsAreNot) {
    EXPECT_EQ(form->txtSmtpPwd->echoMode(), QLineEdit::Password);
    EXPECT_EQ(form->txtSmtpId->echoMode(), QLineEdit::Normal);
    EXPECT_TRUE(form->pnlMailGroup->isReadOnly());
}

TEST_F(LayoutTest, ListsOfferTheirEntriesAndTakeNoFreeText) {
    EXPECT_FALSE(form->CmbSmtp->isEditable());
    EXPECT_FALSE(form->cmbSmtpHtml->isEditable());
    EXPECT_FALSE(form->cmbProject->isEditable());
    EXPECT_FALSE(form->cmbMailGroup->isEditable());
    ASSERT_EQ(form->CmbSmtp->count(), 2);
    EXPECT_EQ(form->CmbSmtp->itemText(0), QStringLiteral("SMTP"));
    EXPECT_EQ(form->CmbSmtp->itemText(1), QStringLiteral("SMTP-AUTH"));
    ASSERT_EQ(form->cmbSmtpHtml->count(), 2);
    EXPECT_EQ(form->cmbSmtpHtml->itemText(0), QStringLiteral("TEXT"));
    EXPECT_EQ(form->cmbSmtpHtml->itemText(1), QStringLiteral("HTML"));
}

TEST_F(LayoutTest, TabVisitsTheFieldsInOrderAndSkipsTheCheckAddress) {
    const QList<QWidget*> expected = {form->CmbSmtp,      form->txtSmtpId,   form->txtSmtpPwd,
                                      form->Edit1,        form->txtSmtpPort, form->Edit2,
                                      form->Edit3,        form->txtMailName, form->txtPauseInterval,
                                      form->txtPauseTime, form->cmbSmtpHtml, form->txtMailGroup,
                                      form->cmbMailGroup, form->Memo1,       form->txtMailSubject,
                                      form->txtMailBody,  form->cmbProject,  form->txtProject};
    form->show();
    QApplication::setActiveWindow(form.get());
    form->CmbSmtp->setFocus();
    QList<QWidget*> visited;
    for (int i = 0; i < expected.size(); ++i) {
        visited.append(QApplication::focusWidget());
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
    }
    EXPECT_EQ(visited, expected);
    // The chain closes: after the last field comes the first again, never Edit4.
    EXPECT_EQ(QApplication::focusWidget(), form->CmbSmtp);
    EXPECT_FALSE(form->Edit4->focusPolicy() & Qt::TabFocus);
    // Shift+Tab out of the body goes back to the subject.
    form->txtMailBody->setFocus();
    QTest::keyClick(form->txtMailBody, Qt::Key_Backtab, Qt::ShiftModifier);
    EXPECT_EQ(QApplication::focusWidget(), form->txtMailSubject);
}

TEST_F(LayoutTest, ButtonsAreFlatTakeNoFocusAndShowTheirCaptions) {
    const std::vector<std::pair<QToolButton*, const char*>> buttons = {
        {form->SpeedButton1, "閉じる"},
        {form->SpeedButton2, "プロジェクトの追加"},
        {form->SpeedButton3, "JRE(JAVA実行環境)のチェック"},
        {form->SpeedButton4, "ﾒｰﾙｸﾞﾙｰﾌﾟ追加"},
        {form->SpeedButton5, "ﾒｰﾙｸﾞﾙｰﾌﾟ設定情報更新"},
        {form->SpeedButton6, "ﾒｰﾙｸﾞﾙｰﾌﾟ削除"},
        {form->SpeedButton7, "送信実行用バッチファイル出力"},
        {form->btnPrecheck, "送信前チェック…"},
        {form->SpeedButton8, "更新"},
        {form->SpeedButton9, "削除"}};
    for (const auto& [button, caption] : buttons) {
        SCOPED_TRACE(caption);
        EXPECT_EQ(button->text(), QString::fromUtf8(caption));
        EXPECT_TRUE(button->autoRaise());
        EXPECT_EQ(button->focusPolicy(), Qt::NoFocus);
    }
    for (QToolButton* b : {form->SpeedButton1, form->SpeedButton2, form->SpeedButton7,
                           form->SpeedButton8, form->SpeedButton9}) {
        EXPECT_EQ(b->palette().color(QPalette::ButtonText), windowlook::kNavy);
        EXPECT_FALSE(b->icon().isNull());
        EXPECT_TRUE(b->font().underline());
    }
    for (QToolButton* b : {form->SpeedButton4, form->SpeedButton5, form->SpeedButton6}) {
        EXPECT_TRUE(b->icon().isNull());
        EXPECT_TRUE(b->font().underline());
    }
    EXPECT_EQ(form->btnPrecheck->palette().color(QPalette::ButtonText), windowlook::kNavy);
    EXPECT_FALSE(form->SpeedButton3->icon().isNull());
    EXPECT_FALSE(form->SpeedButton3->font().underline());
}

TEST_F(LayoutTest, PrecheckSitsBesideTheBatchFileButtonInsideTheWindow) {
    form->show();
    const QRect batch = form->SpeedButton7->geometry();
    const QRect check = form->btnPrecheck->geometry();
    EXPECT_GT(check.left(), batch.right());
    // The row must not squeeze the project list under its buttons.
    EXPECT_GT(form->SpeedButton8->geometry().left(), form->cmbProject->geometry().right());
    EXPECT_EQ(check.center().y(), batch.center().y());
    EXPECT_LE(form->btnPrecheck->mapTo(form.get(), QPoint(check.width(), 0)).x(), form->width());
}

TEST_F(LayoutTest, EveryControlHasItsOwnAccessibleName) {
    QSet<QString> names;
    for (QWidget* control : namedControls(*form)) {
        SCOPED_TRACE(control->objectName().toStdString());
        const QString name = control->accessibleName();
        EXPECT_FALSE(name.trimmed().isEmpty());
        EXPECT_FALSE(names.contains(name)) << name.toStdString();
        names.insert(name);
    }
    EXPECT_EQ(form->Edit1->accessibleName(), QStringLiteral("SMTPサーバーアドレス"));
    EXPECT_EQ(form->Memo1->accessibleName(), QStringLiteral("ﾒｰﾙ送信先ﾘｽﾄ"));
    EXPECT_EQ(form->SpeedButton8->accessibleName(), QStringLiteral("更新"));
    // A screen reader finds the label too, through its buddy.
    const auto labels = form->findChildren<QLabel*>();
    const bool subjectLabelled = std::any_of(labels.begin(), labels.end(), [&](QLabel* l) {
        return l->buddy() == form->txtMailSubject && l->text() == QStringLiteral("ﾒｰﾙ件名");
    });
    EXPECT_TRUE(subjectLabelled);
}

TEST_F(LayoutTest, FixedTextsAndHintsAreShownInGrey) {
    const auto labels = form->findChildren<QLabel*>();
    auto find = [&](const char* text) -> QLabel* {
        for (QLabel* l : labels)
            if (l->text() == QString::fromUtf8(text)) return l;
        return nullptr;
    };
    for (const char* text : {"●メール送信基本設定",
                             "●送信プロジェクト内グループ別設定",
                             "プロジェクト名",
                             "SMTP送信タイプ",
                             "SMTP-AUTH用ﾕｰｻﾞｰID／ﾊﾟｽﾜｰﾄﾞ",
                             "／",
                             "SMTPサーバーアドレス",
                             "ポート",
                             "クライアント名",
                             "送信元メールアドレス",
                             "送信元名称",
                             "ポーズ件数",
                             "件",
                             "ポーズ時間",
                             "秒",
                             "HTMLメール",
                             "ﾒｰﾙｸﾞﾙｰﾌﾟ選択",
                             "ﾒｰﾙ送信先ﾘｽﾄ",
                             "ﾒｰﾙ件名",
                             "ﾒｰﾙ本文"}) {
        EXPECT_NE(find(text), nullptr) << text;
    }
    for (const char* hint :
         {"SMTP:25 SMTP-AUTH:587", "※メールアカウントを登録します。",
          "※何件送信ごとにポーズ時間を置くか、指定します。（０～）",
          "※何秒ポーズを置くか、指定します。（０～）",
          "※削除は指定のｸﾞﾙｰﾌﾟではなく、最後のｸﾞﾙｰﾌﾟが削除されます",
          "※保存時は、表示されているﾒｰﾙｸﾞﾙｰﾌﾟとして以下の項目が保存されます。",
          "ﾒｰﾙｸﾞﾙｰﾌﾟの送信先や、件名、本文を編集した際は、常に保存を押してください。",
          "※ﾘｽﾄが空の場合は、ﾒｰﾙ送信しません", "ﾒｰﾙ送信先記入例）"}) {
        QLabel* label = find(hint);
        ASSERT_NE(label, nullptr) << hint;
        EXPECT_EQ(label->palette().color(QPalette::WindowText), windowlook::kHintGrey) << hint;
    }
}

TEST_F(LayoutTest, InputMethodStaysAvailableAndLatinIsPreferredWhereJapaneseIsOff) {
    for (QWidget* field :
         {static_cast<QWidget*>(form->txtSmtpId), static_cast<QWidget*>(form->Edit1),
          static_cast<QWidget*>(form->txtSmtpPort), static_cast<QWidget*>(form->Edit3),
          static_cast<QWidget*>(form->Memo1), static_cast<QWidget*>(form->txtMailBody)}) {
        SCOPED_TRACE(field->objectName().toStdString());
        EXPECT_TRUE(field->inputMethodHints() & Qt::ImhPreferLatin);
        EXPECT_TRUE(field->testAttribute(Qt::WA_InputMethodEnabled));
    }
    for (QWidget* field :
         {static_cast<QWidget*>(form->txtProject), static_cast<QWidget*>(form->txtMailName),
          static_cast<QWidget*>(form->txtMailGroup), static_cast<QWidget*>(form->txtMailSubject)}) {
        SCOPED_TRACE(field->objectName().toStdString());
        EXPECT_FALSE(field->inputMethodHints() & Qt::ImhPreferLatin);
        EXPECT_TRUE(field->testAttribute(Qt::WA_InputMethodEnabled));
    }
    // The body is typed in Japanese by opening the input method: predictions stay on.
    EXPECT_FALSE(form->txtMailBody->inputMethodHints() & Qt::ImhNoPredictiveText);
    EXPECT_TRUE(form->Memo1->inputMethodHints() & Qt::ImhNoPredictiveText);
}

}  // namespace
