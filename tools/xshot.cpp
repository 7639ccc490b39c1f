// Saves the X screen of $DISPLAY as a PNG: xshot OUT.png [X Y WIDTH HEIGHT TITLE]
// With a rectangle it keeps only that part (one window with its frame) and writes the
// window's title into the PNG as its "Title" text, so a check can tell which window it is.
#include <QGuiApplication>
#include <QImage>
#include <QPixmap>
#include <QScreen>
#include <cstdio>
#include <cstdlib>

int main(int argc, char** argv) {
    if (argc != 2 && argc != 7) {
        std::fprintf(stderr, "usage: xshot OUT.png [X Y WIDTH HEIGHT TITLE]\n");
        return 2;
    }
    QGuiApplication app(argc, argv);
    QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen) {
        std::fprintf(stderr, "xshot: no screen\n");
        return 1;
    }
    QImage image = screen->grabWindow(0).toImage();
    if (argc == 7) {
        const QRect part(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]),
                         std::atoi(argv[5]));
        image = image.copy(part.intersected(image.rect()));
        image.setText(QStringLiteral("Title"), QString::fromUtf8(argv[6]));
    }
    if (image.isNull() || !image.save(QString::fromLocal8Bit(argv[1]), "PNG")) {
        std::fprintf(stderr, "xshot: cannot grab the screen\n");
        return 1;
    }
    return 0;
}
