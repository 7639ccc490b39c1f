#pragma once

#include <QProgressDialog>
#include <QString>
#include <chrono>

#include "smtp/check_report.h"
#include "smtp/smtp_check.h"

// The progress dialog of the connection test: the check runs on a worker thread while the
// dialog shows, so the window keeps painting; "中止" ends the check within a moment.
class SmtpTestDialog : public QProgressDialog {
    Q_OBJECT
public:
    explicit SmtpTestDialog(QWidget* parent);

    // Runs the check and returns when it has ended, whichever way.
    smtp::Result run(const smtp::Request& request);
};

namespace smtptest {

// The longest wait for one step of the dialogue; tests shorten it.
std::chrono::milliseconds stepTimeout();
void setStepTimeout(std::chrono::milliseconds timeout);

// The result box's text: what worked or what failed, what to check, the server's reply.
QString boxText(const smtp::Report& report);

}  // namespace smtptest
