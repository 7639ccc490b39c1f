#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "settings/settings_window.h"
#include "shell/app_path.h"
#include "shell/start_window.h"
#include "support/scripted_boxes.h"
#include "support/temp_app_folder.h"

namespace {

// The two windows wired as at start-up, the settings window showing after the tick.
class ClosingTest : public testing::Test {
protected:
    ClosingTest() {
        form1.setNextWindow(&form3);
        AppPath = app.path();
        form1.show();
        EXPECT_TRUE(QTest::qWaitFor([&] { return form3.isVisible(); }, 3000));
    }

    TempAppFolder app;
    ScriptedBoxes boxes;
    TForm1 form1;
    TForm3 form3;
};

}  // namespace

TEST_F(ClosingTest, CancelKeepsTheWindowAndEveryField) {
    form3.Edit1->setText(QStringLiteral("smtp.example.com"));
    for (auto close :
         {+[](TForm3& f) { f.SpeedButton1->click(); }, +[](TForm3& f) { f.close(); }}) {
        boxes.clear();
        boxes.answer(2);
        close(form3);
        ASSERT_EQ(boxes.calls().size(), 1u);
        EXPECT_EQ(boxes.calls()[0].text, "設定画面を終了します。よろしいですか？");
        EXPECT_EQ(boxes.calls()[0].caption, "ZELMonitor");
        EXPECT_EQ(boxes.calls()[0].style, 0x131);
        EXPECT_TRUE(form3.isVisible());
        EXPECT_EQ(form3.Edit1->text(), "smtp.example.com");
    }
}

TEST_F(ClosingTest, OkClosesBothWindowsAndEndsTheEventLoop) {
    for (auto close :
         {+[](TForm3& f) { f.SpeedButton1->click(); }, +[](TForm3& f) { f.close(); }}) {
        if (!form3.isVisible()) form3.show();
        form1.hide();
        boxes.clear();
        boxes.answer(1);
        QElapsedTimer clock;
        clock.start();
        QTimer::singleShot(50, &form3, [&] { close(form3); });
        QTimer::singleShot(5000, qApp, &QCoreApplication::quit);  // never hang the suite
        QApplication::exec();
        EXPECT_LT(clock.elapsed(), 4500);  // ended by the close, not by the net
        EXPECT_EQ(boxes.calls().size(), 1u);
        EXPECT_FALSE(form3.isVisible());
        EXPECT_FALSE(form1.isVisible());
        // Nothing was written on the way out.
        EXPECT_FALSE(app.exists("project.ini"));
        EXPECT_FALSE(app.exists("Mail"));
    }
}
