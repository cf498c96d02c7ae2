#include "views/radio_view.h"

#include "legal/app_legal.h"
#include "platform/audio_session_notifications.h"
#include "platform/diagnostics.h"
#include "services/app_notifications.h"
#include "services/channel_audio_service.h"
#include "services/chat_unread_store.h"
#include "services/mac_tovrin_keyboard.h"
#include "services/mic_privacy.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_audio_session.h"
#include "services/voice_filter_store.h"
#include "theme/face_plate_art_overlay.h"
#include "theme/theme_store.h"
#include "theme/themed_background_views.h"
#include "views/add_quick_channel_view.h"
#include "views/audio_fx_radio_effects.h"
#include "views/channel_chat_view.h"
#include "views/channel_settings_view.h"
#include "views/face_label.h"
#include "views/find_radio_view.h"
#include "views/passkey_prompt.h"
#include "views/radio_effects.h"
#include "views/radio_operations.h"
#include "views/radio_quick_bar.h"
#include "views/sheet_overlay.h"
#include "views/tovrin_shell_view.h"
#include "views/view_fonts.h"

#include <QCoroTask>
#include <QEvent>
#include <QGraphicsDropShadowEffect>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QShowEvent>
#include <QVBoxLayout>

namespace {

constexpr qreal title3Size = 20;

}  // namespace

RadioView::RadioView(const AppStores& stores, QWidget* parent)
    : RadioView(stores, std::make_unique<AudioFXRadioEffects>(stores.sfx), parent)
{
}

RadioView::RadioView(const AppStores& stores, std::unique_ptr<RadioEffects> effects, QWidget* parent)
    : QWidget(parent), stores_(stores), effects_(std::move(effects)),
      operations_(std::make_unique<RadioOperations>(stores, effects_.get())), unread_(stores.chatUnread)
{
    if (!unread_)
        unread_ = new ChatUnreadStore(stores_.radio, this);
    buildContent();
    buildSheets();
    wireShell();
    wireObservers();
    applyTheme();
    updateFace();
    updateKeyboard();
}

RadioView::~RadioView()
{
    stopPresence();
}

QString RadioView::titleText()
{
    return QStringLiteral("My Tovrin-Brisel");
}

QString RadioView::noOwnedChannelText()
{
    return QStringLiteral("You have no channel of your own to set up.");
}

// ---- Layout ----

void RadioView::buildContent()
{
    background_ = new TovrinFacePlateBackground(stores_.theme, this);
    background_->setArtOverlay(&FacePlateArtOverlay::paintOverlay);
    content_ = new QWidget(this);

    emoji_ = new QLabel(content_);
    emoji_->setTextFormat(Qt::PlainText);
    emoji_->setFont(ViewFonts::font(title3Size));
    title_ = new QLabel(titleText(), content_);
    title_->setTextFormat(Qt::PlainText);
    title_->setFont(ViewFonts::font(title3Size, QFont::Bold));
    auto* shadow = new QGraphicsDropShadowEffect(title_);
    shadow->setColor(QColor::fromRgbF(0, 0, 0, 0.25));
    shadow->setBlurRadius(4);  // twice the radius: Qt's blur is a diameter
    shadow->setOffset(0, 1);
    title_->setGraphicsEffect(shadow);

    auto* header = new QHBoxLayout;
    header->setSpacing(8);
    header->setContentsMargins(0, 6, 0, 0);
    header->addStretch(1);
    header->addWidget(emoji_);
    header->addWidget(title_);
    header->addStretch(1);

    RadioOperations* ops = operations_.get();
    quickBar_ = new RadioQuickBar(stores_,
                                  {[ops] { ops->joinMyChannel(); }, [ops] { ops->joinCompanyChannel(); },
                                   [ops](const SavedChannelSlot& slot) { ops->joinFriendChannel(slot); },
                                   [ops] { ops->joinHomeChannel(); }, [this] { showAddChannel(); },
                                   [this] { showChannelSettings(); }},
                                  content_);

    shell_ = new TovrinShellView(stores_.theme, stores_.alertSounds, content_);
    shell_->setSizePolicy(QSizePolicy::Preferred, QSizePolicy::Expanding);

    auto* quickBarRow = new QHBoxLayout;
    quickBarRow->setContentsMargins(12, 0, 12, 0);
    quickBarRow->addWidget(quickBar_);
    auto* shellRow = new QHBoxLayout;
    shellRow->setContentsMargins(8, 0, 8, 0);
    shellRow->addWidget(shell_);

    auto* column = new QVBoxLayout(content_);
    column->setSpacing(8);
    column->setContentsMargins(0, 0, 0, 4);
    column->addLayout(header);
    column->addLayout(quickBarRow);
    column->addLayout(shellRow, 1);

    keyboard_ = new MacTovrinKeyboardModifier(this);
}

void RadioView::buildSheets()
{
    findRadio_ = addSheet(QStringLiteral("Find Radio"));
    addChannel_ = addSheet(QStringLiteral("Add channel"));
    channelSettings_ = addSheet(QStringLiteral("Channel Setup"));
    chat_ = addSheet(QStringLiteral("Channel Chat"));

    // Each close of a sheet that may change the saved channels reloads the quick bar.
    for (SheetOverlay* sheet : {addChannel_, channelSettings_})
        connect(sheet, &SheetOverlay::dismissed, this, [this] { quickBar_->setRefreshToken(++quickBarRefresh_); });
    // The chat's lines count as seen when it opens and again when it closes.
    connect(chat_, &SheetOverlay::dismissed, this, [this] {
        if (unread_)
            unread_->markAllSeen();
        chat_->setContent(nullptr);  // the chat screen keeps nothing once closed
    });

    passkeyPrompt_ = new PasskeyPrompt(this);
    connect(passkeyPrompt_, &PasskeyPrompt::joinRequested, this, &RadioView::onPasskeyJoin);
    connect(passkeyPrompt_, &PasskeyPrompt::cancelled, this, &RadioView::clearPasskeyState);
    connect(passkeyPrompt_, &QDialog::finished, this, &RadioView::updateKeyboard);
}

SheetOverlay* RadioView::addSheet(const QString& title)
{
    auto* sheet = new SheetOverlay(title, this);
    connect(sheet, &SheetOverlay::dismissed, this, &RadioView::updateKeyboard);
    return sheet;
}

void RadioView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    background_->setGeometry(rect());
    content_->setGeometry(rect());
}

// ---- Wiring ----

void RadioView::wireShell()
{
    RadioOperations* ops = operations_.get();
    connect(shell_, &TovrinShellView::bandDown, ops, [ops] { ops->tuneMajor(-1); });
    connect(shell_, &TovrinShellView::bandUp, ops, [ops] { ops->tuneMajor(1); });
    connect(shell_, &TovrinShellView::subDown, ops, [ops] { ops->tune(-1); });
    connect(shell_, &TovrinShellView::subUp, ops, [ops] { ops->tune(1); });
    connect(shell_, &TovrinShellView::digitNudged, ops, &RadioOperations::nudgeDigit);
    connect(shell_, &TovrinShellView::callToneTapped, ops, &RadioOperations::sendCallTone);
    connect(shell_, &TovrinShellView::joinTapped, ops, &RadioOperations::joinOrLeave);
    connect(shell_, &TovrinShellView::pttDown, ops, [ops] { ops->beginPTT(RadioOperations::PTTSource::key); });
    connect(shell_, &TovrinShellView::pttUp, ops, [ops] { ops->endPTT(RadioOperations::PTTSource::key); });
    connect(shell_, &TovrinShellView::chatTapped, ops, &RadioOperations::openChat);
    connect(shell_, &TovrinShellView::openMicSettingsTapped, this, [] { MicPrivacy::openMicrophoneSettings(); });

    connect(keyboard_, &MacTovrinKeyboardModifier::pttDown, ops,
            [ops] { ops->beginPTT(RadioOperations::PTTSource::keyboard); });
    connect(keyboard_, &MacTovrinKeyboardModifier::pttUp, ops,
            [ops] { ops->endPTT(RadioOperations::PTTSource::keyboard); });
    connect(keyboard_, &MacTovrinKeyboardModifier::pager, ops, &RadioOperations::sendCallTone);

    connect(ops, &RadioOperations::chatRequested, this, [this] {
        if (unread_)
            unread_->markAllSeen();
        // A fresh chat screen for every opening.
        auto* chat = new ChannelChatView(stores_);
        connect(chat, &ChannelChatView::dismissRequested, chat_, &SheetOverlay::dismiss);
        chat_->setContent(chat);
        presentSheet(chat_);
    });
}

void RadioView::wireObservers()
{
    RadioSession* radio = stores_.radio;
    for (auto signal : {&RadioSession::channelNumberChanged, &RadioSession::displayFrequencyChanged,
                        &RadioSession::connectionStateChanged, &RadioSession::listenersOnTunedChannelChanged,
                        &RadioSession::lastErrorChanged, &RadioSession::lcdStatusChanged,
                        &RadioSession::engineStateChanged})
        connect(radio, signal, this, &RadioView::updateFace);
    connect(radio, &RadioSession::lastErrorChanged, this, &RadioView::onLastErrorChanged);
    // The same refusal again changes no text, yet asks again.
    connect(operations_.get(), &RadioOperations::passkeyRequired, this, &RadioView::askForPasskey);
    connect(unread_, &ChatUnreadStore::unreadChanged, this, &RadioView::updateFace);
    connect(&AudioSessionNotifications::instance(), &AudioSessionNotifications::soundServerAvailableChanged, this,
            &RadioView::updateFace);
    connect(stores_.voiceFilters, &VoiceFilterStore::selectedChanged, this, &RadioView::syncVoiceFilter);
    connect(stores_.theme, &ThemeStore::currentChanged, this, &RadioView::applyTheme);
    connect(&AppNotifications::instance(), &AppNotifications::tovrinRemotePager, this, &RadioView::playRemotePager);
}

void RadioView::applyTheme()
{
    const FacePlateTheme& theme = stores_.theme->current();
    emoji_->setText(theme.emoji);
    setTextColour(title_, theme.onBody());
}

void RadioView::updateFace()
{
    RadioFaceState state = radioFaceState(*stores_.radio);
    state.chatUnread = chatUnread();
    shell_->setState(state);
}

int RadioView::chatUnread() const
{
    return unread_ ? unread_->unread() : 0;
}

// ---- Sheets, prompt and keyboard ----

bool RadioView::keyboardShortcutsEnabled() const
{
    for (const SheetOverlay* sheet : {chat_, findRadio_, addChannel_, channelSettings_}) {
        if (!sheet->isHidden())
            return false;
    }
    return passkeyPrompt_->isHidden();
}

void RadioView::updateKeyboard()
{
    keyboard_->setEnabled(keyboardShortcutsEnabled());
}

void RadioView::presentSheet(SheetOverlay* sheet)
{
    sheet->present();
    updateKeyboard();
}

void RadioView::showFindRadio()
{
    // A fresh sheet each time, starting empty.
    auto* body = new FindRadioView(stores_.session, stores_.friends, findRadio_);
    connect(body, &FindRadioView::closeRequested, findRadio_, &SheetOverlay::dismiss);
    findRadio_->setContent(body);
    presentSheet(findRadio_);
}

void RadioView::showAddChannel()
{
    auto* body = new AddQuickChannelView(stores_, addChannel_);
    connect(body, &AddQuickChannelView::closeRequested, addChannel_, &SheetOverlay::dismiss);
    addChannel_->setContent(body);
    presentSheet(addChannel_);
}

void RadioView::showChannelSettings()
{
    // A fresh sheet each time, for the channel owned now; without one it says so.
    if (const auto owned = stores_.session->ownedChannelNumber()) {
        auto* body = new ChannelSettingsView(*owned, stores_.session, channelSettings_);
        connect(body, &ChannelSettingsView::closeRequested, channelSettings_, &SheetOverlay::dismiss);
        channelSettings_->setContent(body);
    } else {
        auto* body = new QLabel(noOwnedChannelText(), channelSettings_);
        body->setTextFormat(Qt::PlainText);
        body->setWordWrap(true);
        body->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
        channelSettings_->setContent(body);
    }
    presentSheet(channelSettings_);
}

void RadioView::onLastErrorChanged()
{
    if (stores_.radio->lastError() == PasskeyPrompt::refusalText())
        askForPasskey();
}

void RadioView::askForPasskey()
{
    if (passkeyPrompt_->isVisible())
        return;
    pendingJoinChannel_ = stores_.radio->channelNumber();
    passkeyPrompt_->present();
    updateKeyboard();
}

void RadioView::onPasskeyJoin(const QString& passkey)
{
    if (!pendingJoinChannel_) {
        clearPasskeyState();
        return;
    }
    // The view may be gone when the join returns; then there is nothing to
    // clear. A refusal has already asked again by then: that prompt keeps its state.
    QCoro::connect(operations_->joinWithPasskey(*pendingJoinChannel_, passkey), this, [this] {
        if (!passkeyPrompt_->isVisible())
            clearPasskeyState();
    });
}

void RadioView::clearPasskeyState()
{
    passkeyPrompt_->field()->clear();
    pendingJoinChannel_.reset();
}

// ---- Lifecycle ----

void RadioView::syncVoiceFilter()
{
    stores_.radio->live()->setVoiceFilter(stores_.voiceFilters->selected());
}

void RadioView::playRemotePager(const QString& soundRaw)
{
    const AlertSound sound = fromRawValue<AlertSound>(soundRaw).value_or(AlertSound::pager);
    Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] local-play remote sound=") + rawValue(sound)
                           + QStringLiteral(" build=") + AppLegal::buildNumber());
    TovrinAudioSession::wakeForPlayback();
    effects_->playAlert(sound);
}

void RadioView::startPresence()
{
    stores_.radio->startPresencePolling();
    polling_ = true;
    stores_.radio->live()->refreshMicPermissionFromSettings();
}

void RadioView::stopPresence()
{
    if (!polling_)
        return;
    polling_ = false;
    stores_.radio->stopPresencePolling();
}

void RadioView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    // A window coming back from the dock is not the screen appearing.
    if (event->spontaneous())
        return;
    syncVoiceFilter();
    startPresence();
}

void RadioView::hideEvent(QHideEvent* event)
{
    QWidget::hideEvent(event);
    if (!event->spontaneous())
        stopPresence();
}

bool RadioView::event(QEvent* event)
{
    const bool handled = QWidget::event(event);
    // The window became active: a permission granted meanwhile takes effect now.
    if (event->type() == QEvent::WindowActivate)
        stores_.radio->live()->refreshMicPermissionFromSettings();
    return handled;
}
