#pragma once

#include "views/form_widgets.h"

#include <QPointer>
#include <QUrl>
#include <QWidget>

class QPushButton;
class QScrollArea;
class SessionStore;

// "About & Legal": application facts, the two documents in the application
// and on the web, the device identity for support (the uid never changes
// while the application runs), a note on voice data.
class AboutLegalView : public FormPage {
    Q_OBJECT
public:
    AboutLegalView(SessionStore* session, QWidget* parent = nullptr);
};

// One packaged legal document as titled sections of plain lines, with a
// button that opens its web page in the in-app browser.
class LegalDocumentView : public QWidget {
    Q_OBJECT
public:
    LegalDocumentView(const QString& title, const QString& resourceName, QWidget* parent = nullptr);

    QString resourceName() const { return resourceName_; }
    // The document's web page.
    QUrl webURL() const;
    // The in-app browser sheet, while it is shown.
    QWidget* webSheet() const { return webSheet_; }
    void openWeb();

private:
    QString resourceName_;
    QPointer<QWidget> webSheet_;
};

// The document's sections laid out as title over display lines (shared by
// the document view and the privacy-policy screen).
QWidget* legalDocumentBody(const QString& resourceName, int spacing);

// A vertical scroll page around `content`, and the button that opens a web page.
QScrollArea* legalScrollArea(QWidget* content, QWidget* parent);
QPushButton* browserButton(const QString& text);

// Opens an address in the user's default browser.
void openInBrowser(const QUrl& url);
// The server's page with one path component, "privacy" or "terms".
QUrl serverPage(const QString& component);
