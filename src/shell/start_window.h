#pragma once

#include <QLabel>
#include <QTimer>
#include <QWidget>

// The start window: shown for about a second, then hands over to the settings window.
// It is the application's main window: closing it ends the program.
class TForm1 : public QWidget {
    Q_OBJECT
public:
    explicit TForm1(QWidget* parent = nullptr);

    // The window shown at the first tick (the settings window).
    void setNextWindow(QWidget* next);

    // The one way any window shows a message box; returns 1 (OK) or 2 (Cancel).
    static int fncMessageBox(const QString& text, const QString& caption, int style);

    QLabel* Label1 = nullptr;
    QTimer* Timer1 = nullptr;

    void FormCreate();
    void FormShow();
    void Timer1Timer();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* next_ = nullptr;
};

extern TForm1* Form1;
