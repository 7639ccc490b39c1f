#pragma once

#include <QString>
#include <QWidget>

class QDialogButtonBox;
class QTextBrowser;

// The user manual, read inside the tool: Markdown pages from the application folder's
// manual/ja/, shown by Qt's own Markdown support. It fetches nothing from the network and
// opens no outside browser.
class ManualWindow : public QWidget {
    Q_OBJECT
public:
    // The folder holding ja/ and images/, with a trailing "/".
    static QString folder();
    // Shows `page` (a file name in ja/, say "groups.md") in the manual window. From inside a
    // modal dialog the window belongs to that dialog, so it can be read and scrolled there.
    static ManualWindow* open(const QString& page, QWidget* from = nullptr);

    // The page shown, as its file name.
    QString page() const;
    QTextBrowser* browser() const { return browser_; }

private:
    explicit ManualWindow(QWidget* parent);
    void showPage(const QString& page);

    QTextBrowser* browser_ = nullptr;
};

namespace manual {

// A "ヘルプ" button in the dialog's button box and F1, both opening `page`.
void addHelp(QWidget* dialog, QDialogButtonBox* buttons, const char* page);
// F1 on `window` opens the page `pageFor` names for the widget that has the focus.
void onF1(QWidget* window, QString (*pageFor)(const QWidget* focused));

}  // namespace manual
