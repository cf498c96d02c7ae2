#pragma once

#include "views/sheet_overlay.h"

#include <QUrl>

class QNetworkAccessManager;
class QTextBrowser;

// The in-app browser: a sheet that loads one web page and shows it as simple
// rich text (no scripts); links inside it go to the default browser. Another
// address needs a new sheet. Deletes itself when dismissed.
class SafariSheet : public SheetOverlay {
    Q_OBJECT
public:
    SafariSheet(const QUrl& url, QWidget* host);

    QUrl url() const { return url_; }
    QTextBrowser* page() const { return page_; }

private:
    void load();

    QUrl url_;
    QTextBrowser* page_;
    QNetworkAccessManager* network_;
};
