#include "shell/start_window.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QVBoxLayout>

#include "shell/app_path.h"
#include "shell/message_box.h"

TForm1* Form1 = nullptr;

namespace {
constexpr int kClientWidth = 319;
constexpr int kClientHeight = 115;
constexpr int kTickMillis = 1000;
}  // namespace

TForm1::TForm1(QWidget* parent) : QWidget(parent, Qt::Window | Qt::FramelessWindowHint) {
    setWindowTitle(QStringLiteral("Fendrival Setup"));
    setFixedSize(kClientWidth, kClientHeight);
    setAutoFillBackground(true);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(234, 234, 234));
    setPalette(pal);

    Label1 = new QLabel(QStringLiteral("Fendrival Setup を起動しています..."), this);
    Label1->setObjectName(QStringLiteral("Label1"));
    Label1->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(Label1);

    if (QScreen* screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    // Runs from creation, so the start window shows for somewhat less than the interval.
    Timer1 = new QTimer(this);
    Timer1->setObjectName(QStringLiteral("Timer1"));
    Timer1->setInterval(kTickMillis);
    connect(Timer1, &QTimer::timeout, this, &TForm1::Timer1Timer);
    Timer1->start();

    // The settings window closing last closes this main window, which ends the program.
    connect(qApp, &QGuiApplication::lastWindowClosed, this, &QWidget::close);

    FormCreate();
}

void TForm1::setNextWindow(QWidget* next) {
    next_ = next;
}

int TForm1::fncMessageBox(const QString& text, const QString& caption, int style) {
    return msgbox::show(text, caption, style);
}

void TForm1::FormCreate() {
    AppPath = shell::executableFolder();
}

void TForm1::FormShow() {
    if (next_) next_->setWindowTitle(QStringLiteral("Fendrival 設定画面"));
    // Already running: starting it again would restart the interval.
    if (!Timer1->isActive()) Timer1->start();
}

void TForm1::Timer1Timer() {
    Timer1->stop();
    hide();
    if (next_) next_->show();
}

void TForm1::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    FormShow();
}

void TForm1::closeEvent(QCloseEvent* event) {
    // Closed while still showing (Alt+F4): the settings window must never appear.
    Timer1->stop();
    QWidget::closeEvent(event);
}
