#include "views/privacy_policy_gate_view.h"

#include "platform/server.h"
#include "platform/user_defaults.h"
#include "theme/system_colors.h"
#include "views/form_widgets.h"
#include "views/legal_views.h"
#include "views/safari_sheet.h"
#include "views/view_fonts.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QPushButton>
#include <QScrollArea>
#include <QToolButton>
#include <QVBoxLayout>

namespace PrivacyConsent {

bool accepted()
{
    return UserDefaults().boolean(QLatin1String(key), false);
}

void accept()
{
    UserDefaults().set(QLatin1String(key), true);
}

}  // namespace PrivacyConsent

void PrivacyPolicyGateModifier::apply(QWidget* root)
{
    root->installEventFilter(new PrivacyPolicyGateModifier(root));
}

bool PrivacyPolicyGateModifier::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Show && !PrivacyConsent::accepted())
        PrivacyConsent::accept();
    return QObject::eventFilter(watched, event);
}

PrivacyPolicyDetailView::PrivacyPolicyDetailView(bool gateMode, std::function<void()> onAgreed, QWidget* parent)
    : QWidget(parent), gateMode_(gateMode), onAgreed_(std::move(onAgreed)), acceptedLocal_(PrivacyConsent::accepted()),
      title_(new QLabel(this)), status_(FormRows::text(QString(), FormRows::subheadline(), FormRows::Tone::secondary)),
      note_(FormRows::text(QString(), ViewFonts::caption(), FormRows::Tone::secondary)),
      agree_(new QPushButton(this)),
      web_(browserButton(QStringLiteral("Open ") + Server::baseURL().host() + QStringLiteral("/privacy")))
{
    // Its own bar: the inline title and, in normal mode, "Done".
    setProperty("ownsNavigationBar", true);
    setAutoFillBackground(true);
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, Qt::white);
    setPalette(palette);

    auto* bar = new QWidget(this);
    bar->setFixedHeight(44);
    auto* barLayout = new QGridLayout(bar);
    barLayout->setContentsMargins(8, 6, 8, 6);
    title_->setTextFormat(Qt::PlainText);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFont(ViewFonts::font(17, QFont::DemiBold));
    barLayout->addWidget(title_, 0, 0, 1, 3);
    if (!gateMode_) {
        done_ = new QToolButton(bar);
        done_->setText(QStringLiteral("Done"));
        done_->setAutoRaise(true);
        done_->setFont(ViewFonts::font(17));
        done_->setStyleSheet(QStringLiteral("QToolButton { color: #007AFF; border: none; }"));
        connect(done_, &QToolButton::clicked, this, &PrivacyPolicyDetailView::dismissRequested);
        barLayout->addWidget(done_, 0, 0, Qt::AlignLeft);
    }

    auto* content = new QWidget;
    auto* layout = new QVBoxLayout(content);
    layout->setContentsMargins(16, 16, 16, 16);
    layout->setSpacing(18);
    layout->addWidget(FormRows::text(QStringLiteral("My Vorel Apps \u00B7 My Tovrin-Brisel"), ViewFonts::caption(),
                                     FormRows::Tone::secondary));
    layout->addWidget(FormRows::text(QStringLiteral("Privacy Policy"), FormRows::title2(QFont::Bold)));
    layout->addWidget(status_);
    layout->addWidget(legalDocumentBody(QStringLiteral("PRIVACY_POLICY"), 18));
    connect(web_, &QPushButton::clicked, this, &PrivacyPolicyDetailView::openWeb);
    layout->addSpacing(4);
    layout->addWidget(web_);
    layout->addStretch(1);
    QScrollArea* scroll = legalScrollArea(content, this);

    // The bottom bar: the note over the agree button; room below for the tab bar.
    auto* bottom = new QWidget(this);
    bottom->setAutoFillBackground(true);
    QPalette barPalette = bottom->palette();
    barPalette.setColor(QPalette::Window, systemColor(SystemColor::GroupedBackground));
    bottom->setPalette(barPalette);
    auto* bottomLayout = new QVBoxLayout(bottom);
    bottomLayout->setContentsMargins(16, 12, 16, 100);
    bottomLayout->setSpacing(10);
    note_->setAlignment(Qt::AlignCenter);
    bottomLayout->addWidget(note_);
    agree_->setFont(FormRows::headline());
    agree_->setMinimumHeight(44);
    agree_->setStyleSheet(QStringLiteral("QPushButton { background: #34C759; color: white; border: none; border-radius: 10px; }"
                                         "QPushButton:disabled { background: rgba(52,199,89,0.35); }"));
    connect(agree_, &QPushButton::clicked, this, &PrivacyPolicyDetailView::agree);
    bottomLayout->addWidget(agree_);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);
    outer->addWidget(bar);
    outer->addWidget(scroll, 1);
    outer->addWidget(bottom);
    updateTexts();
}

QString PrivacyPolicyDetailView::statusText() const
{
    return status_->text();
}

QString PrivacyPolicyDetailView::noteText() const
{
    return note_->isVisibleTo(this) ? note_->text() : QString();
}

void PrivacyPolicyDetailView::agree()
{
    PrivacyConsent::accept();
    acceptedLocal_ = true;
    updateTexts();
    if (onAgreed_)
        onAgreed_();
    if (!gateMode_)
        emit dismissRequested();
}

void PrivacyPolicyDetailView::updateTexts()
{
    QString title = QStringLiteral("Privacy Policy");
    QString status;
    QString note;
    QString agree = QStringLiteral("I Agree");
    bool enabled = true;
    if (gateMode_) {
        title = QStringLiteral("Please Agree to Continue");
        status = QStringLiteral("Please read and agree once to continue.");
        note = QStringLiteral("You must agree once to use My Tovrin-Brisel.");
    } else if (acceptedLocal_) {
        status = QStringLiteral("You already agreed on this device.");
        note = QStringLiteral("You accepted this policy on this device.");
        agree = QStringLiteral("Agreed \u2713");
        enabled = false;
    } else {
        status = QStringLiteral("Read the policy, then tap I Agree.");
    }
    setWindowTitle(title);
    title_->setText(title);
    status_->setText(status);
    note_->setText(note);
    note_->setVisible(!note.isEmpty());
    agree_->setText(agree);
    agree_->setEnabled(enabled);
}

void PrivacyPolicyDetailView::openWeb()
{
    if (webSheet_)
        return;
    auto* sheet = new SafariSheet(serverPage(QStringLiteral("privacy")), window());
    webSheet_ = sheet;
    sheet->present();
}
