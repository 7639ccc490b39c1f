#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <functional>

#include "shell/message_box.h"
#include "shell/message_box_style.h"
#include "shell/start_window.h"

namespace {

// Shows a real box and acts on it once it is up (polled, so a slow machine only waits).
int showAndAct(int style, const std::function<void(QWidget*)>& act) {
    auto* poll = new QTimer;
    poll->setInterval(20);
    QObject::connect(poll, &QTimer::timeout, poll, [poll, act] {
        if (QWidget* box = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            act(box);
        }
    });
    poll->start();
    return TForm1::fncMessageBox(QStringLiteral("本文"), QStringLiteral("ZELMonitor"), style);
}

}  // namespace

TEST(MessageBox, StyleWordsMapToButtonsIconDefaultAndEscape) {
    struct Case {
        int style;
        QMessageBox::Icon icon;
        bool cancel;
    } cases[] = {
        {0x0, QMessageBox::NoIcon, false},   {0x10, QMessageBox::Critical, false},
        {0x30, QMessageBox::Warning, false}, {0x40, QMessageBox::Information, false},
        {0x131, QMessageBox::Warning, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        QMessageBox box;
        shell::configureMessageBox(box, c.style);
        EXPECT_EQ(box.icon(), c.icon);
        ASSERT_NE(box.button(QMessageBox::Ok), nullptr);
        EXPECT_EQ(box.button(QMessageBox::Cancel) != nullptr, c.cancel);
        QAbstractButton* expected =
            c.cancel ? box.button(QMessageBox::Cancel) : box.button(QMessageBox::Ok);
        EXPECT_EQ(static_cast<QAbstractButton*>(box.defaultButton()), expected);
        EXPECT_EQ(box.escapeButton(), expected);
    }
}

TEST(MessageBox, QuestionDeclinesOnEnterEscapeAndCloseBox) {
    EXPECT_EQ(showAndAct(0x131, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Return); }), 2);
    EXPECT_EQ(showAndAct(0x131, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Escape); }), 2);
    EXPECT_EQ(showAndAct(0x131, [](QWidget* b) { b->close(); }), 2);
    EXPECT_EQ(showAndAct(0x131,
                         [](QWidget* b) {
                             static_cast<QMessageBox*>(b)->button(QMessageBox::Ok)->click();
                         }),
              1);
}

TEST(MessageBox, OkOnlyKindsGiveOkOnEscapeAndCloseBox) {
    for (int style : {0x0, 0x30, 0x40}) {
        SCOPED_TRACE(style);
        EXPECT_EQ(showAndAct(style, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Escape); }), 1);
        EXPECT_EQ(showAndAct(style, [](QWidget* b) { b->close(); }), 1);
    }
}

TEST(MessageBox, ShowsTextCaptionAndJapaneseButtonsApplicationModal) {
    showAndAct(0x131, [](QWidget* b) {
        auto* box = static_cast<QMessageBox*>(b);
        EXPECT_EQ(box->windowTitle(), "ZELMonitor");
        EXPECT_EQ(box->text(), "本文");
        EXPECT_EQ(box->windowModality(), Qt::ApplicationModal);
        EXPECT_EQ(box->button(QMessageBox::Cancel)->text(), "キャンセル");
        EXPECT_EQ(box->button(QMessageBox::Ok)->text(), "OK");
        box->button(QMessageBox::Cancel)->click();
    });
}

TEST(MessageBox, PreviouslyActiveWindowIsActiveAgain) {
    QWidget window;
    window.show();
    QApplication::setActiveWindow(&window);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&window));
    showAndAct(0x40, [](QWidget* b) { QTest::keyClick(b, Qt::Key_Return); });
    EXPECT_TRUE(QTest::qWaitForWindowActive(&window));
    EXPECT_EQ(QApplication::activeWindow(), &window);
}
