// "プレビュー": the mail as its recipient would see it, fetching nothing.
#include <QBuffer>
#include <QImage>
#include <QSignalSpy>
#include <QTest>
#include <QTextBrowser>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include "dialogs/mail_preview_dialog.h"
#include "dialogs/offline_text_browser.h"
#include "settings_fixture.h"

namespace {

// A listener on 127.0.0.1 standing in for the remote server a mail's images point at.
class Listener {
public:
    Listener() {
        fd_ = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in address{};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t size = sizeof address;
        if (bind(fd_, reinterpret_cast<sockaddr*>(&address), size) == 0 && listen(fd_, 4) == 0 &&
            getsockname(fd_, reinterpret_cast<sockaddr*>(&address), &size) == 0)
            port_ = ntohs(address.sin_port);
    }
    ~Listener() { close(fd_); }
    int port() const { return port_; }
    // Whether anyone connected within the wait.
    bool connected(int waitMs) const {
        pollfd p{fd_, POLLIN, 0};
        return poll(&p, 1, waitMs) > 0;
    }

private:
    int fd_ = -1;
    int port_ = 0;
};

class MailPreviewTest : public SettingsWindowTest {
protected:
    MailPreviewTest() { EXPECT_NE(listener.port(), 0); }

    MailPreviewDialog* preview(const QString& body, const char* format,
                               const QString& name = QStringLiteral("山田商店")) {
        form->txtMailName->setText(name);
        form->Edit3->setText(QStringLiteral("info@example.com"));
        form->txtMailSubject->setText(QStringLiteral("<b>夏のご案内</b>"));
        form->txtMailBody->setUtf8Text(body.toStdString());
        form->cmbSmtpHtml->setCurrentIndex(form->cmbSmtpHtml->findText(QLatin1String(format)));
        form->btnPreview->click();
        auto* dialog = form->findChild<MailPreviewDialog*>();
        if (dialog) QTest::qWait(100);  // room for any load that should not happen
        return dialog;
    }
    QString remote(const char* path) const {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(listener.port()).arg(path);
    }
    // Fails when anything connected to the local "remote" server.
    void expectNothingFetched() { EXPECT_FALSE(listener.connected(200)); }

    Listener listener;
};

TEST_F(MailPreviewTest, TextBodyShowsAsTypedInTheWindowsFont) {
    const QString body =
        QStringLiteral("こんにちは <b>x</b>\n<img src=\"%1\">\n二行目").arg(remote("t.png"));
    MailPreviewDialog* dialog = preview(body, "TEXT");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->isVisible());
    EXPECT_EQ(dialog->windowTitle(), QStringLiteral("メールのプレビュー"));
    EXPECT_EQ(dialog->sender->text(), QStringLiteral("山田商店 <info@example.com>"));
    EXPECT_EQ(dialog->subject->text(), QStringLiteral("<b>夏のご案内</b>"));  // never markup
    EXPECT_EQ(dialog->body->toPlainText(), body);
    EXPECT_EQ(dialog->body->document()->defaultFont().pixelSize(), 13);
    expectNothingFetched();
}

TEST_F(MailPreviewTest, HtmlBodyIsRenderedWithoutFetchingAnything) {
    // A real image on disk: a plain browser would load it, the preview must not.
    const std::string imagePath = app.path() + "local.png";
    QImage(8, 8, QImage::Format_RGB32).save(QString::fromStdString(imagePath));
    const QUrl fileUrl = QUrl::fromLocalFile(QString::fromStdString(imagePath));
    QTextBrowser plain;
    ASSERT_FALSE(plain.loadResource(QTextDocument::ImageResource, fileUrl).isNull());

    const QString body =
        QStringLiteral(
            "<html><head><link rel=\"stylesheet\" href=\"%1\"></head><body>"
            "<p>本文 <b>太字</b></p><img src=\"%2\"><img src=\"%3\">"
            "<img "
            "src=\"data:image/gif;base64,R0lGODlhAQABAAAAACH5BAEKAAEALAAAAAABAAEAAAICTAEAOw==\">"
            "</body></html>")
            .arg(remote("style.css"), remote("pixel.png"), fileUrl.toString());
    MailPreviewDialog* dialog = preview(body, "HTML");
    ASSERT_NE(dialog, nullptr);
    EXPECT_TRUE(dialog->body->toPlainText().startsWith(QStringLiteral("本文 太字")))
        << utf8(dialog->body->toPlainText());
    EXPECT_TRUE(dialog->body->toHtml().contains(QStringLiteral("font-weight:700")));
    expectNothingFetched();
    OfflineTextBrowser* view = dialog->body;
    for (const QUrl& url : {QUrl(remote("pixel.png")), fileUrl, QUrl(QStringLiteral("local.png"))})
        EXPECT_TRUE(view->loadResource(QTextDocument::ImageResource, url).toByteArray().isEmpty())
            << url.toString().toStdString();
    const QUrl data(QStringLiteral("data:text/plain;base64,QUJD"));
    EXPECT_EQ(view->document()->resource(QTextDocument::ImageResource, data).toByteArray(),
              QByteArray("ABC"));
}

TEST_F(MailPreviewTest, LinksAreNotFollowed) {
    const QString body = QStringLiteral("<a href=\"%1\">リンクリンクリンク</a>").arg(remote("go"));
    MailPreviewDialog* dialog = preview(body, "HTML");
    ASSERT_NE(dialog, nullptr);
    QSignalSpy clicked(dialog->body, &QTextBrowser::anchorClicked);
    const QPoint onLink =
        dialog->body->cursorRect(dialog->body->textCursor()).center() + QPoint(12, 0);
    ASSERT_FALSE(dialog->body->anchorAt(onLink).isEmpty());
    QTest::mouseClick(dialog->body->viewport(), Qt::LeftButton, {}, onLink);
    EXPECT_EQ(clicked.count(), 1);  // the click reached the link
    EXPECT_TRUE(dialog->body->source().isEmpty());
    EXPECT_TRUE(dialog->body->toPlainText().startsWith(QStringLiteral("リンク")));
    expectNothingFetched();
}

TEST_F(MailPreviewTest, OnePreviewIsRefreshedByEveryPress) {
    MailPreviewDialog* first = preview(QStringLiteral("一回目"), "TEXT");
    MailPreviewDialog* second = preview(QStringLiteral("二回目"), "TEXT", QStringLiteral(" "));
    EXPECT_EQ(first, second);
    EXPECT_EQ(form->findChildren<MailPreviewDialog*>().size(), 1);
    // Without a name the recipient sees the address alone.
    EXPECT_EQ(second->sender->text(), QStringLiteral("info@example.com"));
    EXPECT_EQ(second->body->toPlainText(), QStringLiteral("二回目"));
}

}  // namespace
