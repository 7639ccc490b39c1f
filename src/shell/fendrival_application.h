#pragma once

#include <QApplication>

inline const char* const kApplicationTitle = "Fendrival Setup";

// The application object: title, Japanese standard buttons, the INI failure box, and a
// last net under every event so that nothing thrown crosses Qt's event loop.
class FendrivalApplication : public QApplication {
public:
    FendrivalApplication(int& argc, char** argv);

    bool notify(QObject* receiver, QEvent* event) override;
};
