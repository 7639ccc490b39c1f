#include <gtest/gtest.h>
#include <QGuiApplication>

#include <QApplication>
#include <QElapsedTimer>
#include <QTest>
#include <QTimer>

#include "shell/app_path.h"
#include "shell/start_window.h"

namespace {

// Stands for the settings window: records the title it had when first shown.
class NextWindow : public QWidget {
public:
    QString titleAtFirstShow;
    int shows = 0;

protected:
    void showEvent(QShowEvent*) override {
        if (shows++ == 0) titleAtFirstShow = windowTitle();
    }
};

}  // namespace

TEST(StartWindow, LooksAsSpecifiedAndSetsAppPath) {
    AppPath.clear();
    TForm1 form;
    EXPECT_EQ(AppPath, shell::executableFolder());
    EXPECT_EQ(form.size(), QSize(319, 115));
    EXPECT_TRUE(form.windowFlags() & Qt::FramelessWindowHint);
    EXPECT_EQ(form.palette().color(QPalette::Window), QColor(234, 234, 234));
    EXPECT_FALSE(form.Label1->text().isEmpty());
    EXPECT_TRUE(form.Label1->alignment() & Qt::AlignHCenter);
    EXPECT_EQ(form.Timer1->interval(), 1000);
    EXPECT_TRUE(form.Timer1->isActive());
}

TEST(StartWindow, HandsOverToTheSettingsWindowAfterTheTick) {
    QElapsedTimer sinceCreation;
    sinceCreation.start();
    TForm1 form;
    NextWindow next;
    next.setWindowTitle(QStringLiteral("設定"));
    form.setNextWindow(&next);
    form.show();
    EXPECT_EQ(next.windowTitle(), "Fendrival 設定画面");
    EXPECT_FALSE(next.isVisible());

    QTest::qWait(300);
    if (sinceCreation.elapsed() < 900) {  // a stalled machine may already be past the tick
        EXPECT_TRUE(form.isVisible());
        EXPECT_FALSE(next.isVisible());
    }

    EXPECT_TRUE(QTest::qWaitFor([&] { return next.isVisible(); }, 2000));
    EXPECT_FALSE(form.isVisible());
    EXPECT_FALSE(form.Timer1->isActive());
    EXPECT_EQ(next.titleAtFirstShow, "Fendrival 設定画面");
    EXPECT_EQ(next.shows, 1);

    QTest::qWait(1200);  // the timer never fires again
    EXPECT_EQ(next.shows, 1);
}

TEST(StartWindow, ClosingItWhileShownEndsTheProgramWithoutTheSettingsWindow) {
    TForm1 form;
    NextWindow next;
    form.setNextWindow(&next);
    form.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&form));
    QElapsedTimer clock;
    clock.start();
    QTimer::singleShot(100, &form, &QWidget::close);          // Alt+F4 on the start window
    QTimer::singleShot(5000, qApp, &QCoreApplication::quit);  // never hang the suite
    QApplication::exec();
    EXPECT_LT(clock.elapsed(), 4000);  // the loop ended with the window, not by the net
    EXPECT_EQ(next.shows, 0);
    QTest::qWait(1200);
    EXPECT_EQ(next.shows, 0);
}
