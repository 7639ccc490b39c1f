#include "dialogs/manual_window.h"

#include <QApplication>
#include <QDialogButtonBox>
#include <QFileInfo>
#include <QPointer>
#include <QPushButton>
#include <QShortcut>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QToolBar>
#include <QVBoxLayout>

#include "dialogs/window_look.h"
#include "shell/app_path.h"

namespace {

const QString kIndex = QStringLiteral("index.md");

QPointer<ManualWindow>& sharedWindow() {
    static QPointer<ManualWindow> window;
    return window;
}

// Qt's Markdown import leaves no room between blocks and draws a note like any paragraph:
// paragraphs and headings get room, headings a calmer size, the 注意 boxes a tint.
void setReadingLayout(QTextDocument* document) {
    QTextCursor cursor(document);
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        QTextBlockFormat format = block.blockFormat();
        const int heading = format.headingLevel();
        format.setTopMargin(heading ? 12 : format.topMargin());
        format.setBottomMargin(block.textList() ? 2 : 6);
        if (format.hasProperty(QTextFormat::BlockQuoteLevel))
            format.setBackground(QColor(255, 246, 214));
        cursor.setPosition(block.position());
        cursor.setBlockFormat(format);
        if (heading) {
            QTextCharFormat size;
            size.setProperty(QTextFormat::FontSizeAdjustment, heading == 1 ? 2 : 1);
            cursor.select(QTextCursor::BlockUnderCursor);
            cursor.mergeCharFormat(size);
        }
    }
}

}  // namespace

QString ManualWindow::folder() {
    return QString::fromStdString(AppPath) + QStringLiteral("manual/");
}

ManualWindow::ManualWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("ManualWindow"));
    setWindowTitle(QStringLiteral("Fendrival 使い方"));
    setFont(windowlook::windowFont());
    resize(760, 640);

    browser_ = new QTextBrowser(this);
    browser_->setObjectName(QStringLiteral("manualText"));
    browser_->setAccessibleName(QStringLiteral("使い方の本文"));
    // Pages link each other; anything else (a web address) is not followed.
    browser_->setOpenLinks(false);
    browser_->setOpenExternalLinks(false);
    connect(browser_, &QTextBrowser::anchorClicked, this, [this](const QUrl& url) {
        if (url.isLocalFile() || url.isRelative())
            browser_->setSource(browser_->source().resolved(url));
    });

    connect(browser_, &QTextBrowser::sourceChanged, this,
            [this] { setReadingLayout(browser_->document()); });

    // Read beside the window it explains, and put away with Esc like a dialog.
    connect(new QShortcut(QKeySequence::Cancel, this), &QShortcut::activated, this,
            &QWidget::close);

    auto* bar = new QToolBar(this);
    bar->addAction(QStringLiteral("戻る"), browser_, &QTextBrowser::backward);
    bar->addAction(QStringLiteral("目次"), this, [this] { showPage(kIndex); });
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(bar);
    layout->addWidget(browser_, 1);
}

ManualWindow* ManualWindow::open(const QString& page, QWidget* from) {
    // A modal dialog blocks every other window: its manual must be its own child then.
    QWidget* modal = QApplication::activeModalWidget();
    ManualWindow* window = nullptr;
    if (modal && from && (from == modal || modal->isAncestorOf(from))) {
        window = new ManualWindow(modal);
        window->setAttribute(Qt::WA_DeleteOnClose);
    } else {
        if (!sharedWindow()) sharedWindow() = new ManualWindow(nullptr);
        window = sharedWindow();
    }
    window->showPage(page);
    window->show();
    window->raise();
    window->activateWindow();
    return window;
}

void ManualWindow::showPage(const QString& page) {
    const QString path = folder() + QStringLiteral("ja/") + page;
    if (!QFileInfo::exists(path)) {
        browser_->setMarkdown(QStringLiteral("# 使い方が見つかりません\n\n%1 がありません。"
                                             "`make install` でインストールし直してください。")
                                  .arg(path));
        return;
    }
    browser_->setSource(QUrl::fromLocalFile(path), QTextDocument::MarkdownResource);
}

QString ManualWindow::page() const {
    return QFileInfo(browser_->source().toLocalFile()).fileName();
}

namespace manual {

void addHelp(QWidget* dialog, QDialogButtonBox* buttons, const char* page) {
    const QString name = QString::fromUtf8(page);
    QPushButton* help = buttons->addButton(QStringLiteral("ヘルプ"), QDialogButtonBox::HelpRole);
    help->setAutoDefault(false);
    QObject::connect(help, &QPushButton::clicked, dialog,
                     [dialog, name] { ManualWindow::open(name, dialog); });
    auto* f1 = new QShortcut(QKeySequence::HelpContents, dialog);
    QObject::connect(f1, &QShortcut::activated, dialog,
                     [dialog, name] { ManualWindow::open(name, dialog); });
}

void onF1(QWidget* window, QString (*pageFor)(const QWidget* focused)) {
    auto* f1 = new QShortcut(QKeySequence::HelpContents, window);
    QObject::connect(f1, &QShortcut::activated, window, [window, pageFor] {
        ManualWindow::open(pageFor(QApplication::focusWidget()), window);
    });
}

}  // namespace manual
