#include "shell/fendrival_application.h"

#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "shell/error_report.h"
#include "shell/message_box.h"
#include "store/comFunc.h"

FendrivalApplication::FendrivalApplication(int& argc, char** argv) : QApplication(argc, argv) {
    // Only the name: a display name would be appended to every window title.
    setApplicationName(QString::fromUtf8(kApplicationTitle));

    // Standard buttons read as a Japanese user expects ("キャンセル").
    auto* translator = new QTranslator(this);
    if (translator->load(QLocale(QLocale::Japanese, QLocale::Japan), QStringLiteral("qtbase"),
                         QStringLiteral("_"), QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        installTranslator(translator);

    store::setIniFailureReporter([] { msgbox::plain(QString::fromUtf8(store::kIniFailureText)); });
}

bool FendrivalApplication::notify(QObject* receiver, QEvent* event) {
    try {
        return QApplication::notify(receiver, event);
    } catch (...) {
        shell::reportCurrentException();
        return false;
    }
}
