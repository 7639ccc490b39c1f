#include <Qsci/qsciscintillabase.h>
#include <QAbstractItemView>
#include <QAccessible>
#include <QHeaderView>
#include <QLineEdit>
#include <QTextEdit>
#include <memory>

#include "dialogs/mail_preview_dialog.h"
#include "dialogs/mailbox_dialog.h"
#include "dialogs/optout_dialog.h"
#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_report_dialog.h"
#include "dialogs/test_mail_dialog.h"
#include "recipients/field_check.h"
#include "recipients/recipient_import.h"
#include "settings_fixture.h"
#include "store/project_store.h"

namespace {

using AccessibleNamesTest = SettingsWindowTest;

// The widgets a user reads or types into: text fields, lists and tables.
bool isField(QWidget* widget) {
    if (qobject_cast<QHeaderView*>(widget)) return false;
    return qobject_cast<QLineEdit*>(widget) || qobject_cast<QTextEdit*>(widget) ||
           qobject_cast<QsciScintillaBase*>(widget) || qobject_cast<QAbstractItemView*>(widget);
}

TEST_F(AccessibleNamesTest, EveryFieldOfTheWindowAndTheDialogsHasAName) {
    recipients::ImportResult report;
    report.firstInvalid.push_back({2, "bad", recipients::AddressFault::None});
    report.invalid = 1;
    const std::vector<std::pair<const char*, std::shared_ptr<QWidget>>> windows = {
        {"settings window", std::shared_ptr<QWidget>(form.get(), [](QWidget*) {})},
        {"opt-out list",
         std::make_shared<OptOutDialog>(store::ProjectStore(app.path()).optOutPath())},
        {"test mail", std::make_shared<TestMailDialog>("送信元 <a@example.com>", "件名")},
        {"import report", std::make_shared<RecipientReportDialog>(report, "list.csv")},
        {"check",
         std::make_shared<RecipientCheckDialog>(recipients::checkField("bad\na@example.com\n"))},
        {"preview", std::make_shared<MailPreviewDialog>(nullptr)},
        {"returned mail",
         std::make_shared<MailboxDialog>(app.path(), "P", MailboxDialog::SmtpFields{})},
    };
    for (const auto& [name, window] : windows) {
        SCOPED_TRACE(name);
        int fields = 0;
        for (QWidget* widget : window->findChildren<QWidget*>()) {
            if (!isField(widget) || !widget->isVisibleTo(window.get())) continue;
            ++fields;
            QAccessibleInterface* iface = QAccessible::queryAccessibleInterface(widget);
            ASSERT_NE(iface, nullptr);
            EXPECT_FALSE(iface->text(QAccessible::Name).trimmed().isEmpty())
                << widget->metaObject()->className() << " " << widget->objectName().toStdString();
        }
        EXPECT_GT(fields, 0);
    }
}

}  // namespace
