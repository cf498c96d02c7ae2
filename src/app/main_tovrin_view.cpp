#include "app/main_tovrin_view.h"

#include "models/channel_math.h"
#include "models/sfx_kind.h"
#include "platform/user_defaults.h"
#include "services/alert_sound_store.h"
#include "services/audio_fx_service.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/chat_unread_store.h"
#include "services/friends_store.h"
#include "services/mic_privacy.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_audio_session.h"
#include "services/tovrin_brisel_auto_update.h"
#include "services/tovrin_watch_sync.h"
#include "services/voice_filter_store.h"
#include "services/workplace_store.h"
#include "theme/theme_store.h"
#include "views/app_screens.h"
#include "views/root_view.h"

#include <QApplication>
#include <QCoroTimer>

#include <chrono>

// Declared in this order so they are built in it and destroyed in reverse.
struct MainTovrinView::OwnedStores {
    SessionStore session;
    RadioSession radio;
    AudioFXService sfx;
    FriendsStore friends;
    BlockStore blocks;
    ThemeStore theme;
    WorkplaceStore workplace;
    VoiceFilterStore voiceFilters;
    AlertSoundStore alertSounds;
    // Not one of the nine: the radio screen's memory of the chat lines seen,
    // kept here so it outlives a tab switch.
    ChatUnreadStore chatUnread{&radio};
};

MainTovrinView::MainTovrinView(QWidget* parent) : QWidget(parent), owned_(std::make_unique<OwnedStores>())
{
    stores_ = AppStores{&owned_->session, &owned_->radio,     &owned_->sfx,          &owned_->friends,    &owned_->blocks,
                        &owned_->theme,   &owned_->workplace, &owned_->voiceFilters, &owned_->alertSounds,
                        &owned_->chatUnread};
    rootView_ = new RootView(stores_, AppScreens::build, this);

    connect(stores_.radio, &RadioSession::displayFrequencyChanged, this, &MainTovrinView::syncWatchFacePlate);
    // Every quit (the window closed, a stop signal, the updater) leaves the
    // resume state behind; the live channel closes when the stores go.
    connect(qApp, &QCoreApplication::aboutToQuit, this, [radio = stores_.radio] { radio->snapshotResumeState(); });
    TovrinBriselAutoUpdate::setActivityCheck([radio = stores_.radio] {
        return radio->live()->isTransmitting() || radio->connectionState() == RadioSession::ConnectionState::connecting;
    });
    connect(stores_.theme, &ThemeStore::currentChanged, this, [this, lastId = stores_.theme->current().id]() mutable {
        // A change that keeps the theme's id publishes nothing.
        if (stores_.theme->current().id == lastId)
            return;
        lastId = stores_.theme->current().id;
        syncWatchFacePlate();
    });
}

MainTovrinView::~MainTovrinView()
{
    TovrinBriselAutoUpdate::setActivityCheck(nullptr);
    // Screens read the stores: they go first.
    delete rootView_;
}

MainTovrinView::ResumeState MainTovrinView::readResumeState()
{
    const UserDefaults defaults;
    return ResumeState{defaults.integer(RadioSession::lastChannelKey).value_or(0),
                       defaults.boolean(RadioSession::wasLiveKey, false)};
}

void MainTovrinView::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (startUpBegun_)
        return;
    startUpBegun_ = true;
    syncWatchFacePlate();
    QCoro::connect(runStartUp(QPointer<MainTovrinView>(this)), this, [] {});
}

void MainTovrinView::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    rootView_->setGeometry(rect());
}

bool MainTovrinView::mustStop(const QPointer<MainTovrinView>& view)
{
    // Nothing joins or opens a socket once the window is gone or the app is quitting.
    return !view || QCoreApplication::closingDown() || !view->window()->isVisible();
}

QCoro::Task<void> MainTovrinView::runStartUp(QPointer<MainTovrinView> view)
{
    // Read before anything can overwrite it (a deactivation during start-up
    // takes a snapshot of a radio that is not joined yet).
    const ResumeState resume = readResumeState();
    try {
        co_await startUp(view, resume);
    } catch (const std::exception& error) {
        // The stores report their own failures; anything reaching here is a bug worth seeing.
        qWarning("start-up stopped: %s", error.what());
    }
    if (view) {
        view->startUpFinished_ = true;
        Q_EMIT view->startUpFinishedChanged();
    }
}

QCoro::Task<void> MainTovrinView::startUp(QPointer<MainTovrinView> view, ResumeState resume)
{
    co_await MicPrivacy::ensurePermission();
    if (mustStop(view))
        co_return;
    TovrinAudioSession::wakeForPlayback();
    QCoro::connect(prefetchEffects(view), view.data(), [] {});

    const AppStores stores = view->stores_;
    co_await stores.session->bootstrap();
    if (mustStop(view))
        co_return;
    stores.workplace->setMembership(stores.session->workplace());
    co_await stores.friends->load(stores.session->uid());
    if (mustStop(view))
        co_return;
    co_await stores.blocks->load(stores.session->uid());
    if (mustStop(view))
        co_return;
    co_await QCoro::sleepFor(view->restorePause_);
    if (mustStop(view))
        co_return;
    co_await restoreRadioSession(view, resume);
}

QCoro::Task<void> MainTovrinView::prefetchEffects(QPointer<MainTovrinView> view)
{
    for (SFXKind kind : allCases<SFXKind>()) {
        if (!view)
            co_return;
        co_await view->stores_.sfx->prefetch(kind);
    }
}

QCoro::Task<void> MainTovrinView::restoreRadioSession(QPointer<MainTovrinView> view, ResumeState resume)
{
    const AppStores stores = view->stores_;
    const auto owned = stores.session->ownedChannelNumber();
    if ((resume.lastChannel < ChannelMath::minChannel || resume.lastChannel > ChannelMath::maxChannel) && owned)
        stores.radio->setChannel(*owned);
    if (!resume.wasLive || mustStop(view))
        co_return;
    co_await stores.radio->join(stores.session->uid(), std::nullopt, stores.session->chatDisplayName(),
                                stores.session->radioId(), stores.blocks->blockedUIDs());
}

void MainTovrinView::applyScenePhase(ScenePhase phase)
{
    RadioSession* radio = stores_.radio;
    switch (phase) {
    case ScenePhase::background:
    case ScenePhase::inactive:
        radio->snapshotResumeState();
        if (radio->isInChannel())
            radio->live()->enterBackgroundRadioMode();
        break;
    case ScenePhase::active:
        if (radio->live()->isLive())
            radio->live()->leaveForegroundRadioMode();
        break;
    }
}

void MainTovrinView::syncWatchFacePlate()
{
    const FacePlateTheme& theme = stores_.theme->current();
    TovrinWatchSync::shared().publish(stores_.radio->displayFrequency(), theme.name, theme.emoji);
}
