// The manual against the tool: every picture it links exists, every caption it names is on
// a control of the running windows, every message it explains is one the tool can show;
// F1 opens the page of the area that has the focus.
#include <QAbstractButton>
#include <QAction>
#include <QComboBox>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTest>
#include <QTextBrowser>
#include <QThread>
#include <QTimer>
#include <filesystem>

#include "dialogs/mail_preview_dialog.h"
#include "dialogs/mailbox_dialog.h"
#include "dialogs/manual_window.h"
#include "dialogs/optout_dialog.h"
#include "dialogs/precheck_result_dialog.h"
#include "dialogs/recipient_check_dialog.h"
#include "dialogs/recipient_report_dialog.h"
#include "dialogs/test_mail_dialog.h"
#include "settings_fixture.h"
#include "shell/off_thread.h"

namespace {

const QString kTop = QStringLiteral(FENDRIVAL_SOURCE_DIR);

QString readText(const QString& path) {
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

// What a user reads on a window or a screen reader names, over its widget tree.
void collectTexts(QWidget* window, QSet<QString>& out) {
    out << window->windowTitle();
    for (QWidget* w : window->findChildren<QWidget*>()) {
        out << w->accessibleName();
        if (auto* button = qobject_cast<QAbstractButton*>(w)) out << button->text();
        if (auto* label = qobject_cast<QLabel*>(w)) out << label->text();
        if (auto* field = qobject_cast<QLineEdit*>(w)) out << field->placeholderText();
        if (auto* list = qobject_cast<QComboBox*>(w))
            for (int i = 0; i < list->count(); ++i) out << list->itemText(i);
    }
    for (QAction* action : window->findChildren<QAction*>()) out << action->text();
}

// The sources' string literals, adjacent ones joined, with "%1".."%9" read as "…".
QStringList sourceLiterals() {
    static const QRegularExpression token(
        QStringLiteral(
            R"re(//[^\n]*|/\*.*?\*/|'(?:\\.|[^'\\])*'|R"\((.*?)\)"|"((?:\\.|[^"\\])*)"(\s*))re"),
        QRegularExpression::DotMatchesEverythingOption);
    QStringList out;
    QDirIterator files(kTop + QStringLiteral("/src"), {"*.cpp", "*.h"}, QDir::Files,
                       QDirIterator::Subdirectories);
    while (files.hasNext()) {
        const QString code = readText(files.next());
        QString joined;
        qsizetype joinedEnd = -1;
        for (auto m = token.globalMatch(code); m.hasNext();) {
            const auto hit = m.next();
            if (!hit.hasCaptured(2) && !hit.hasCaptured(1)) continue;  // comment, character
            QString text = hit.hasCaptured(1) ? hit.captured(1) : hit.captured(2);
            text.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
            if (hit.capturedStart() != joinedEnd && !joined.isEmpty())
                out << joined, joined.clear();
            joined += text;
            joinedEnd = hit.capturedEnd();
        }
        if (!joined.isEmpty()) out << joined;
    }
    static const QRegularExpression placeholder(QStringLiteral("%[1-9]"));
    for (QString& literal : out) literal.replace(placeholder, QStringLiteral("…"));
    return out;
}

// A message as the manual quotes it: "…" where the tool puts a name or a number, around
// the variable part the brackets the tool puts with it.
bool toolCanShow(const QString& quoted, const QStringList& literals) {
    const QStringList pieces = quoted.split(QStringLiteral("…"));
    for (qsizetype i = 0; i < pieces.size(); ++i) {
        QString piece = pieces[i];
        if (i > 0 && piece.startsWith(QStringLiteral("」"))) piece.remove(0, 1);
        if (i + 1 < pieces.size() && piece.endsWith(QStringLiteral("「"))) piece.chop(1);
        if (piece.isEmpty()) continue;
        const auto found = [&](const QString& literal) {
            return i == 0 ? literal.startsWith(piece) : literal.contains(piece);
        };
        if (std::none_of(literals.begin(), literals.end(), found)) return false;
    }
    return true;
}

}  // namespace

class ManualTest : public SettingsWindowTest {};

TEST_F(ManualTest, PagesNameOnlyPicturesCaptionsAndMessagesTheToolHas) {
    // Every window the pages show, as the tool builds it; the progress box while a
    // connection test is held on the worker.
    form->show();
    QSet<QString> captions;
    collectTexts(form.get(), captions);
    std::vector<std::unique_ptr<QWidget>> dialogs;
    dialogs.emplace_back(new OptOutDialog(app.file("optout.txt")));
    dialogs.emplace_back(new PrecheckResultDialog({}));
    dialogs.emplace_back(new RecipientCheckDialog(recipients::FieldCheck{}));
    recipients::ImportResult withInvalidRow;  // the table and its copy button show
    withInvalidRow.invalid = 1;
    withInvalidRow.firstInvalid.resize(1);
    dialogs.emplace_back(new RecipientReportDialog(withInvalidRow, QStringLiteral("a.csv")));
    dialogs.emplace_back(new TestMailDialog(QString(), QString()));
    dialogs.emplace_back(new MailPreviewDialog(nullptr));
    dialogs.emplace_back(new MailboxDialog(app.file(""), "p", {}));
    dialogs.emplace_back(ManualWindow::open(QStringLiteral("index.md")));
    for (const auto& dialog : dialogs) collectTexts(dialog.get(), captions);
    std::atomic<bool> held{true};
    offthread::setStartHook([&] {
        while (held) QThread::msleep(5);
    });
    QTimer::singleShot(200, [&] {
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible()) collectTexts(top, captions);
        held = false;
    });
    form->Edit1->setText(QStringLiteral("127.0.0.1"));
    form->txtSmtpPort->setText(QStringLiteral("1"));
    form->btnSmtpTestClick();
    offthread::setStartHook({});

    const QStringList literals = sourceLiterals();
    static const QRegularExpression code(QStringLiteral("```.*?```|`[^`\n]*`"),
                                         QRegularExpression::DotMatchesEverythingOption);
    static const QRegularExpression image(QStringLiteral(R"(!\[[^\]]*\]\(([^)\s]+)\))"));
    static const QRegularExpression named(QStringLiteral("「([^「」\n]+)」|\\*\\*([^*\n]+)\\*\\*"));
    QStringList faults;
    int pages = 0, pictures = 0, messages = 0;
    QDirIterator files(kTop + QStringLiteral("/docs/ja"), {"*.md"}, QDir::Files);
    while (files.hasNext()) {
        const QFileInfo file(files.next());
        ++pages;
        QString text = readText(file.filePath()).replace(code, QString());
        const auto fault = [&](const QString& what) { faults << file.fileName() + ": " + what; };
        for (auto m = image.globalMatch(text); m.hasNext(); ++pictures)
            if (const QString picture = m.next().captured(1);
                !QFileInfo::exists(file.dir().filePath(picture)))
                fault(QStringLiteral("no picture ") + picture);
        // The troubleshooting page quotes messages, each as a quote block of its own.
        QStringList lines = text.split(QLatin1Char('\n'));
        for (QString& line : lines) {
            if (!line.startsWith(QStringLiteral("> ")) || line.startsWith(QStringLiteral("> **")))
                continue;
            if (file.fileName() == QStringLiteral("troubleshooting.md")) {
                ++messages;
                if (!toolCanShow(line.mid(2), literals))
                    fault(QStringLiteral("no message ") + line);
                line.clear();
            }
        }
        for (auto m = named.globalMatch(lines.join(QLatin1Char('\n'))); m.hasNext();) {
            const auto hit = m.next();
            const QString name = hit.captured(1).isEmpty() ? hit.captured(2) : hit.captured(1);
            // A short message the steps say will show is named by its opening words.
            if (name == QStringLiteral("注意") || captions.contains(name) ||
                (name.size() >= 6 && toolCanShow(name, literals)))
                continue;
            fault(QStringLiteral("no control or message 「") + name + QStringLiteral("」"));
        }
    }
    EXPECT_TRUE(pages == 11 && pictures >= 10 && messages >= 40) << pages << pictures << messages;
    EXPECT_TRUE(faults.isEmpty()) << faults.join(QLatin1Char('\n')).toStdString();
}

TEST_F(ManualTest, F1OpensThePageOfTheFocusedArea) {
    std::filesystem::create_directory(app.file("manual"));
    const QString pages = kTop + QStringLiteral("/docs/ja/");
    std::filesystem::create_directory_symlink(pages.toStdString(), app.file("manual/ja"));
    showActive({});
    for (const auto& [field, page] :
         {std::pair<QWidget*, QString>{form->Edit1, "project.md"}, {form->Memo1, "groups.md"}}) {
        field->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F1);
        ManualWindow* manual = nullptr;
        for (QWidget* top : QApplication::topLevelWidgets())
            if (top->isVisible() && qobject_cast<ManualWindow*>(top)) manual = (ManualWindow*)top;
        ASSERT_NE(manual, nullptr) << page.toStdString();
        EXPECT_EQ(manual->page(), page);
        // Shown from the manual folder: it opens with the page's own heading.
        const QString heading = readText(pages + page).section(QLatin1Char('\n'), 0, 0).mid(2);
        EXPECT_TRUE(manual->browser()->toPlainText().startsWith(heading)) << page.toStdString();
        manual->close();
    }
}
