#include "views/settings_view.h"

#include "platform/symbol_image.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/workplace_store.h"
#include "theme/theme_store.h"
#include "views/company_section.h"
#include "views/face_plate_theme_picker_view.h"
#include "views/form_widgets.h"
#include "views/legal_views.h"
#include "views/microphone_permission_section.h"
#include "views/navigation_stack.h"
#include "views/privacy_policy_gate_view.h"
#include "views/view_fonts.h"

#include <QCoroTask>
#include <QEvent>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>

namespace {

// The theme row: the face plate's emoji, "Face plate" over its name, a chevron.
class ThemeRow : public FormButton {
public:
    explicit ThemeRow(ThemeStore* theme) : FormButton(QStringLiteral("Face plate"), Kind::navigation), theme_(theme)
    {
        setFixedHeight(48);
        connect(theme_, &ThemeStore::currentChanged, this, qOverload<>(&QWidget::update));
    }

protected:
    void paintEvent(QPaintEvent*) override
    {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        if (isDown())
            painter.fillRect(rect(), QColor(0, 0, 0, 18));
        const FacePlateTheme& current = theme_->current();
        painter.setFont(FormRows::title2());
        painter.drawText(QRect(0, 0, 34, height()), Qt::AlignCenter, current.emoji);
        painter.setPen(FormRows::color(FormRows::Tone::primary));
        painter.setFont(FormRows::body());
        painter.drawText(QRect(44, 4, width() - 64, height() / 2 - 2), Qt::AlignLeft | Qt::AlignBottom, text());
        painter.setPen(FormRows::color(FormRows::Tone::secondary));
        painter.setFont(ViewFonts::caption());
        painter.drawText(QRect(44, height() / 2 + 2, width() - 64, height() / 2 - 4), Qt::AlignLeft | Qt::AlignTop,
                         current.name);
        const QPixmap chevron = SymbolImage::render(QStringLiteral("chevron.right"), 12,
                                                    FormRows::color(FormRows::Tone::tertiary), devicePixelRatioF());
        painter.drawPixmap(QPointF(width() - 12, (height() - 12) / 2.0), chevron);
    }

private:
    ThemeStore* theme_;
};

// Not tied to the screen: it finishes when the user leaves the tab.
QCoro::Task<void> runSave(SessionStore* session, RadioSession* radio)
{
    try {
        co_await session->saveProfile();
    } catch (...) {
        // The store reports its own failure.
    }
    radio->live()->updateChatIdentity(session->chatDisplayName(), session->radioId());
}

QCoro::Task<void> runUnblock(SessionStore* session, BlockStore* blocks, RadioSession* radio, QString target)
{
    try {
        co_await blocks->unblock(session->uid(), target);
    } catch (...) {
        // The store reports its own failure.
    }
    radio->live()->updateBlocked(blocks->blockedUIDs());
}

QCoro::Task<void> runLoad(SessionStore* session, WorkplaceStore* workplace)
{
    try {
        co_await workplace->load(session->uid());
    } catch (...) {
        // The store reports its own failure.
    }
    workplace->hydrateSavedCompanyCode(currentMembership(workplace, session));
}

}  // namespace

SettingsView::SettingsView(const AppStores& stores, QWidget* parent)
    : QWidget(parent), stores_(stores), form_(new FormPage), navigation_(nullptr)
{
    setObjectName(QStringLiteral("Settings"));
    form_->setWindowTitle(QStringLiteral("Settings"));
    navigation_ = new NavigationStack(form_, this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(navigation_);

    buildTheme();
    buildIdentity();
    buildChannel();
    buildBlocked();
    FormSection* device = form_->addSection(QStringLiteral("Device"));
    device->addRow(FormRows::labelValue(QStringLiteral("Device UID"), FormRows::shortened(stores_.session->uid()),
                                        ViewFonts::caption()));
    form_->addSection(new MicrophonePermissionSection);
    form_->addSection(new CompanySection(stores_.session, stores_.workplace));

    status_ = form_->addSection();
    statusText_ = FormRows::text(QString(), FormRows::body(), FormRows::Tone::secondary);
    status_->addRow(statusText_);
    const auto showStatus = [this] {
        statusText_->setText(stores_.session->statusMessage());
        status_->setVisible(!stores_.session->statusMessage().isEmpty());
    };
    connect(stores_.session, &SessionStore::statusMessageChanged, this, showStatus);
    showStatus();

    buildLegal();
    form_->installEventFilter(this);
}

void SettingsView::buildTheme()
{
    FormSection* section = form_->addSection(QStringLiteral("Theme"));
    themeRow_ = new ThemeRow(stores_.theme);
    connect(themeRow_, &QPushButton::clicked, this, &SettingsView::showThemePicker);
    section->addRow(themeRow_);
    section->addRow(FormRows::text(QStringLiteral("Swap radio skins \u2014 gaming, army, flags, cute, cyber, holidays, and more."),
                                   ViewFonts::caption(), FormRows::Tone::secondary));
}

void SettingsView::showThemePicker()
{
    // The picker shows its own title; the bar keeps the way back. Choosing a
    // theme closes it.
    navigation_->push(new FacePlateThemePickerView(stores_.theme));
}

void SettingsView::buildIdentity()
{
    SessionStore* session = stores_.session;
    FormSection* section = form_->addSection(QStringLiteral("Radio identity"));
    radioIdRow_ = FormRows::labelValue(QStringLiteral("Radio ID"), session->radioId(), FormRows::body());
    section->addRow(radioIdRow_);
    const auto showRadioId = [this, session] {
        FormRows::valueOf(radioIdRow_)->setText(session->radioId());
        radioIdRow_->setVisible(!session->radioId().isEmpty());
    };
    connect(session, &SessionStore::radioIdChanged, this, showRadioId);
    showRadioId();

    const auto addField = [&](const QString& placeholder, QString (SessionStore::*read)() const,
                              void (SessionStore::*write)(const QString&), void (SessionStore::*changed)(const QString&),
                              Qt::InputMethodHints hints) {
        auto* field = new QLineEdit;
        field->setPlaceholderText(placeholder);
        field->setFont(FormRows::body());
        field->setFrame(false);
        field->setInputMethodHints(hints);
        bindField(field, read, write, changed);
        fields_ << field;
        section->addRow(field);
    };
    addField(QStringLiteral("Chat nickname"), &SessionStore::displayName, &SessionStore::setDisplayName,
             &SessionStore::displayNameChanged, Qt::ImhNone);
    addField(QStringLiteral("First name"), &SessionStore::firstName, &SessionStore::setFirstName,
             &SessionStore::firstNameChanged, Qt::ImhNone);
    addField(QStringLiteral("Last name"), &SessionStore::lastName, &SessionStore::setLastName,
             &SessionStore::lastNameChanged, Qt::ImhNone);
    addField(QStringLiteral("Email"), &SessionStore::email, &SessionStore::setEmail, &SessionStore::emailChanged,
             Qt::ImhEmailCharactersOnly | Qt::ImhNoAutoUppercase);
    addField(QStringLiteral("Apple ID (optional)"), &SessionStore::appleId, &SessionStore::setAppleId,
             &SessionStore::appleIdChanged, Qt::ImhNoAutoUppercase);

    auto* save = new FormButton(QStringLiteral("Save profile"), FormButton::Kind::action);
    connect(save, &QPushButton::clicked, this, &SettingsView::saveProfile);
    section->addRow(save);
}

void SettingsView::bindField(QLineEdit* field, QString (SessionStore::*read)() const,
                             void (SessionStore::*write)(const QString&), void (SessionStore::*changed)(const QString&))
{
    SessionStore* session = stores_.session;
    field->setText((session->*read)());
    // Every keystroke goes to the shared store; nothing leaves the device until saved.
    connect(field, &QLineEdit::textEdited, session, [session, write](const QString& text) { (session->*write)(text); });
    connect(session, changed, field, [field](const QString& text) {
        if (field->text() != text)
            field->setText(text);
    });
}

QLineEdit* SettingsView::field(const QString& placeholder) const
{
    for (QLineEdit* field : fields_)
        if (field->placeholderText() == placeholder)
            return field;
    return nullptr;
}

void SettingsView::saveProfile()
{
    runSave(stores_.session, stores_.radio);
}

void SettingsView::buildChannel()
{
    channel_ = form_->addSection(QStringLiteral("Your channel"));
    connect(stores_.session, &SessionStore::ownedChannelDisplayChanged, this, &SettingsView::refreshChannel);
    connect(stores_.session, &SessionStore::workplaceChanged, this, &SettingsView::refreshChannel);
    refreshChannel();
}

void SettingsView::refreshChannel()
{
    channel_->clearRows();
    if (const std::optional<QString> display = stores_.session->ownedChannelDisplay())
        channel_->addRow(FormRows::labelValue(QStringLiteral("Frequency"), *display, FormRows::body()));
    else if (stores_.session->workplace())
        channel_->addRow(FormRows::text(QStringLiteral("You use your company channel \u2014 no personal frequency."),
                                        FormRows::body(), FormRows::Tone::secondary));
    channel_->setVisible(channel_->rowCount() > 0);
}

void SettingsView::buildBlocked()
{
    blocked_ = form_->addSection(QStringLiteral("Blocked users"),
                                 QStringLiteral("Block is personal \u2014 hides their chat, voice, and tones for you on any channel."));
    connect(stores_.blocks, &BlockStore::blockedUIDsChanged, this, &SettingsView::refreshBlocked);
    refreshBlocked();
}

void SettingsView::refreshBlocked()
{
    blocked_->clearRows();
    QStringList ids = stores_.blocks->blockedUIDs().values();
    if (ids.isEmpty()) {
        blocked_->addRow(FormRows::text(QStringLiteral("Nobody blocked"), FormRows::body(), FormRows::Tone::secondary));
        return;
    }
    // Plain string order: capitals first.
    std::sort(ids.begin(), ids.end());
    for (const QString& id : ids) {
        auto* row = new QWidget;
        row->setObjectName(id);
        auto* layout = new QHBoxLayout(row);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->addWidget(FormRows::text(FormRows::shortened(id), FormRows::monospaced(ViewFonts::caption())));
        layout->addStretch(1);
        auto* unblock = new QPushButton(QStringLiteral("Unblock"), row);
        unblock->setFont(ViewFonts::caption());
        unblock->setFlat(true);
        unblock->setStyleSheet(QStringLiteral("QPushButton { color: #007AFF; border: none; }"));
        connect(unblock, &QPushButton::clicked, this, [this, id] { this->unblock(id); });
        layout->addWidget(unblock);
        blocked_->addRow(row);
    }
}

void SettingsView::unblock(const QString& targetUID)
{
    runUnblock(stores_.session, stores_.blocks, stores_.radio, targetUID);
}

void SettingsView::buildLegal()
{
    FormSection* section = form_->addSection(QStringLiteral("About & Legal"));
    auto* about = new FormButton(QStringLiteral("About My Tovrin-Brisel"), FormButton::Kind::navigation);
    connect(about, &QPushButton::clicked, this, [this] { navigation_->push(new AboutLegalView(stores_.session)); });
    section->addRow(about);

    privacyRow_ = new FormButton(QStringLiteral("Privacy Policy"), FormButton::Kind::navigation,
                                 QStringLiteral("hand.raised.fill"));
    connect(privacyRow_, &QPushButton::clicked, this, [this] { navigation_->push(new PrivacyPolicyDetailView(false)); });
    section->addRow(privacyRow_);
    refreshPrivacyRow();

    const auto webLink = [section](const QString& title, const QString& symbol, const QString& component) {
        auto* link = new FormButton(title, FormButton::Kind::externalLink, symbol);
        connect(link, &QPushButton::clicked, link, [component] { openInBrowser(serverPage(component)); });
        section->addRow(link);
    };
    webLink(QStringLiteral("Privacy Policy (web)"), QStringLiteral("safari"), QStringLiteral("privacy"));
    webLink(QStringLiteral("Terms of Use (web)"), QStringLiteral("doc.text.fill"), QStringLiteral("terms"));
}

void SettingsView::refreshPrivacyRow()
{
    privacyRow_->setTitle(PrivacyConsent::accepted() ? QStringLiteral("Privacy Policy (Agreed)")
                                                     : QStringLiteral("Privacy Policy"));
}

bool SettingsView::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == form_ && event->type() == QEvent::Show)
        appeared();
    return QWidget::eventFilter(watched, event);
}

void SettingsView::appeared()
{
    refreshPrivacyRow();
    ++loadsOut_;
    QCoro::connect(runLoad(stores_.session, stores_.workplace), this, [this] {
        --loadsOut_;
        emit loadFinished();
    });
}
