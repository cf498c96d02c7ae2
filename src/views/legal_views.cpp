#include "views/legal_views.h"

#include "legal/app_legal.h"
#include "legal/legal_markdown.h"
#include "platform/server.h"
#include "services/session_store.h"
#include "platform/symbol_image.h"
#include "theme/system_colors.h"
#include "views/navigation_stack.h"
#include "views/safari_sheet.h"
#include "views/view_fonts.h"

#include <QDesktopServices>
#include <QLabel>
#include <QScrollArea>
#include <QVBoxLayout>

namespace {

const QString kAppName = QStringLiteral("My Tovrin-Brisel");
const QString kDeveloper = QStringLiteral("My Vorel Apps");

}  // namespace

void openInBrowser(const QUrl& url)
{
    QDesktopServices::openUrl(url);
}

QUrl serverPage(const QString& component)
{
    QUrl url = Server::baseURL();
    url.setPath(QLatin1Char('/') + component);
    return url;
}

QScrollArea* legalScrollArea(QWidget* content, QWidget* parent)
{
    auto* scroll = new QScrollArea(parent);
    scroll->setWidgetResizable(true);
    scroll->setFrameShape(QFrame::NoFrame);
    scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    scroll->setWidget(content);
    return scroll;
}

QPushButton* browserButton(const QString& text)
{
    auto* button = new QPushButton(text);
    button->setIcon(QIcon(SymbolImage::render(QStringLiteral("safari"), 16, systemColor(SystemColor::Blue), 2.0)));
    button->setFont(FormRows::body());
    button->setMinimumHeight(36);
    return button;
}

QWidget* legalDocumentBody(const QString& resourceName, int spacing)
{
    auto* body = new QWidget;
    auto* layout = new QVBoxLayout(body);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(spacing);
    const QString text = AppLegal::bundledDocument(resourceName);
    for (const LegalMarkdown::Section& section : LegalMarkdown::sections(text)) {
        auto* block = new QWidget(body);
        auto* blockLayout = new QVBoxLayout(block);
        blockLayout->setContentsMargins(0, 0, 0, 0);
        blockLayout->setSpacing(8);
        blockLayout->addWidget(FormRows::text(section.title, FormRows::headline()));
        for (const QString& line : LegalMarkdown::plainLines(section.body))
            blockLayout->addWidget(FormRows::text(line, FormRows::subheadline()));
        layout->addWidget(block);
    }
    return body;
}

AboutLegalView::AboutLegalView(SessionStore* session, QWidget* parent) : FormPage(parent)
{
    setWindowTitle(QStringLiteral("About & Legal"));
    const QFont body = FormRows::body();

    FormSection* app = addSection(QStringLiteral("App"));
    app->addRow(FormRows::labelValue(QStringLiteral("Name"), kAppName, body));
    app->addRow(FormRows::labelValue(QStringLiteral("Version"),
                                     AppLegal::appVersion() + QStringLiteral(" (") + AppLegal::buildNumber() + QLatin1Char(')'),
                                     body));
    app->addRow(FormRows::labelValue(QStringLiteral("Developer"), kDeveloper, body));
    app->addRow(FormRows::labelValue(QStringLiteral("Bundle ID"), QStringLiteral("rez.odezedu.dizazizizori"),
                                     ViewFonts::caption()));

    FormSection* legal = addSection(QStringLiteral("Legal"));
    const auto documentLink = [this, legal](const QString& title, const QString& resource) {
        auto* link = new FormButton(title, FormButton::Kind::navigation);
        connect(link, &QPushButton::clicked, this, [this, title, resource] {
            NavigationStack::pushFrom(this, new LegalDocumentView(title, resource));
        });
        legal->addRow(link);
    };
    documentLink(QStringLiteral("Privacy Policy"), QStringLiteral("PRIVACY_POLICY"));
    documentLink(QStringLiteral("Terms of Use"), QStringLiteral("TERMS_OF_USE"));
    const auto webLink = [legal](const QString& title, const QString& component) {
        auto* link = new FormButton(title, FormButton::Kind::externalLink, QStringLiteral("safari"));
        connect(link, &QPushButton::clicked, link, [component] { openInBrowser(serverPage(component)); });
        legal->addRow(link);
    };
    webLink(QStringLiteral("Privacy Policy (web)"), QStringLiteral("privacy"));
    webLink(QStringLiteral("Terms of Use (web)"), QStringLiteral("terms"));

    FormSection* support = addSection(QStringLiteral("Support"));
    support->addRow(FormRows::labelValue(QStringLiteral("Device UID"), FormRows::shortened(session->uid(), 12),
                                         FormRows::monospaced(ViewFonts::caption())));
    support->addRow(FormRows::text(
        QStringLiteral("For privacy or account requests, include your Device UID when contacting App Support."),
        ViewFonts::caption(), FormRows::Tone::secondary));

    addSection()->addRow(FormRows::text(QStringLiteral("Voice is streamed live and not recorded on our servers."),
                                        ViewFonts::caption(), FormRows::Tone::secondary));
}

LegalDocumentView::LegalDocumentView(const QString& title, const QString& resourceName, QWidget* parent)
    : QWidget(parent), resourceName_(resourceName)
{
    setWindowTitle(title);
    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(16, 16, 16, 110);
    layout->setSpacing(20);
    layout->addWidget(FormRows::text(kDeveloper + QStringLiteral(" \u00B7 Effective June 2026"), ViewFonts::caption(),
                                     FormRows::Tone::secondary));
    layout->addWidget(legalDocumentBody(resourceName, 20));
    QPushButton* web = browserButton(QStringLiteral("Open full document in browser"));
    connect(web, &QPushButton::clicked, this, &LegalDocumentView::openWeb);
    layout->addSpacing(8);
    layout->addWidget(web);
    layout->addStretch(1);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(legalScrollArea(content, this));
}

QUrl LegalDocumentView::webURL() const
{
    return AppLegal::documentWebURL(resourceName_);
}

void LegalDocumentView::openWeb()
{
    if (webSheet_)
        return;
    auto* sheet = new SafariSheet(webURL(), window());
    webSheet_ = sheet;
    sheet->present();
}
