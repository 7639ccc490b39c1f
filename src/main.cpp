// Fendrival Setup: one start window, then the settings window in which all work happens.
#include "settings/settings_window.h"
#include "shell/fendrival_application.h"
#include "shell/instance_guard.h"
#include "shell/start_window.h"

int main(int argc, char** argv) {
    shell::InstanceGuard guard;
    if (!guard.acquired()) return 0;  // another copy runs: end silently

    FendrivalApplication app(argc, argv);

    TForm1 form1;
    Form1 = &form1;
    TForm3 form3;
    form1.setNextWindow(&form3);

    form1.show();
    app.exec();
    Form1 = nullptr;
    return 0;
}
