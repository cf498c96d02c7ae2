#include "views/safari_sheet.h"

#include <QDesktopServices>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QTextBrowser>

namespace {

constexpr int kTransferTimeoutMs = 30000;
constexpr qint64 kMaxPageBytes = 2 * 1024 * 1024;

// Shows the page's text only: nothing it names (pictures, style sheets) is
// fetched, and no local file is ever read on its behalf (a plain document
// would read any "file:" picture a page names).
class PageDocument : public QTextDocument {
public:
    using QTextDocument::QTextDocument;

protected:
    QVariant loadResource(int, const QUrl&) override { return {}; }
};

}  // namespace

SafariSheet::SafariSheet(const QUrl& url, QWidget* host)
    : SheetOverlay(url.host(), host), url_(url), page_(new QTextBrowser), network_(new QNetworkAccessManager(this))
{
    page_->setDocument(new PageDocument(page_));
    page_->setOpenLinks(false);
    page_->setOpenExternalLinks(false);
    page_->setPlainText(url.toString());
    connect(page_, &QTextBrowser::anchorClicked, this, [this](const QUrl& link) {
        const QUrl target = url_.resolved(link);
        if (target.scheme() == QLatin1String("https") || target.scheme() == QLatin1String("http"))
            QDesktopServices::openUrl(target);
    });
    setContent(page_);
    connect(this, &SheetOverlay::dismissed, this, &QObject::deleteLater);
    load();
}

void SafariSheet::load()
{
    QNetworkRequest request(url_);
    request.setTransferTimeout(kTransferTimeoutMs);
    QNetworkReply* reply = network_->get(request);
    connect(reply, &QNetworkReply::finished, this, [this, reply] {
        reply->deleteLater();
        const QByteArray bytes = reply->read(kMaxPageBytes);
        const int status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
        if (reply->error() != QNetworkReply::NoError || status < 200 || status > 299) {
            page_->setPlainText(QStringLiteral("Could not open %1").arg(url_.toString()));
            return;
        }
        const QString type = reply->header(QNetworkRequest::ContentTypeHeader).toString();
        if (type.contains(QLatin1String("html")))
            page_->setHtml(QString::fromUtf8(bytes));
        else
            page_->setPlainText(QString::fromUtf8(bytes));
    });
}
