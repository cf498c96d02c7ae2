#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "platform/audio_engine.h"
#include "services/channel_playback.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_brisel_auto_update.h"
#include "services/tovrin_watch_sync.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "theme/theme_store.h"
#include "views/privacy_policy_gate_view.h"

#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

using namespace std::chrono_literals;

namespace {

void storeResume(std::optional<qint64> lastChannel, bool wasLive)
{
    UserDefaults defaults;
    defaults.remove("tovrin.last_channel");
    defaults.remove("tovrin.was_live");
    if (lastChannel)
        defaults.set("tovrin.last_channel", *lastChannel);
    defaults.set("tovrin.was_live", wasLive);
    defaults.sync();
}

bool waitForStartUp(const MainTovrinView& view)
{
    return QTest::qWaitFor([&] { return view.startUpFinished(); }, 15000);
}

// A devserver, the stored resume state, and a shown window holding the main view.
struct MainViewHarness {
    DevServerProcess server;
    std::unique_ptr<QWidget> window;
    MainTovrinView* view = nullptr;

    bool start(std::optional<qint64> lastChannel, bool wasLive, std::chrono::milliseconds pause, bool serverUp = true)
    {
        if (!server.start())
            return false;
        if (!serverUp)
            server.kill();
        storeResume(lastChannel, wasLive);
        window = std::make_unique<QWidget>();
        view = new MainTovrinView(window.get());
        view->setRestorePause(pause);
        window->resize(402, 902);
        window->show();
        return true;
    }

    RadioSession* radio() const { return view->stores().radio; }
    bool waitUntilLive() const
    {
        return QTest::qWaitFor([this] { return radio()->live()->isLive(); }, 5000);
    }
};

struct Row {
    const char* what;
    std::optional<qint64> lastChannel;
    bool wasLive;
    bool serverUp;
    // The expected channel: 0 means the owned channel the devserver assigns.
    qint64 expectedChannel;
    bool expectJoined;
};

TEST(StartUp, RestoreMatrix)
{
    const Row rows[] = {
        {"first start tunes the owned channel, idle", std::nullopt, false, true, 0, false},
        {"stored 0 counts as none", 0, false, true, 0, false},
        {"negative counts as none", -5, false, true, 0, false},
        {"above range counts as none", 64001, false, true, 0, false},
        {"stored channel stays", 1234, false, true, 1234, false},
        {"stored home channel rejoined when it was live", 64, true, true, 64, true},
        {"home channel rejoined", 7, true, true, 7, true},
        {"owned channel rejoined after out-of-range", 70000, true, true, 0, true},
        {"server down: no owned channel, stays, no join", std::nullopt, true, false, 1, false},
        {"server down keeps a stored channel", 42, false, false, 42, false},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.what);
        MainViewHarness harness;
        ASSERT_TRUE(harness.start(row.lastChannel, row.wasLive, 10ms, row.serverUp));
        ASSERT_TRUE(waitForStartUp(*harness.view));

        RadioSession* radio = harness.radio();
        const auto owned = harness.view->stores().session->ownedChannelNumber();
        const qint64 expected = row.expectedChannel == 0 ? owned.value_or(-1) : row.expectedChannel;
        EXPECT_EQ(radio->channelNumber(), expected);
        if (row.expectJoined) {
            EXPECT_TRUE(harness.waitUntilLive()) << radio->lastError().value_or("no error").toStdString();
            EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::connected);
        } else {
            EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::idle);
            EXPECT_FALSE(radio->live()->isLive());
        }
    }
}

TEST(StartUp, ADeactivationDuringStartUpCannotSpoilTheRestore)
{
    MainViewHarness harness;
    ASSERT_TRUE(harness.start(33, true, 200ms));
    MainTovrinView* view = harness.view;
    // The window loses focus while the check-in is still running: a snapshot
    // of the idle radio is written over the stored resume state.
    view->applyScenePhase(ScenePhase::inactive);
    EXPECT_FALSE(UserDefaults().boolean("tovrin.was_live"));
    ASSERT_TRUE(waitForStartUp(*view));
    EXPECT_EQ(harness.radio()->channelNumber(), 33);
    EXPECT_TRUE(harness.waitUntilLive());
}

TEST(StartUp, StopsWhenTheWindowIsGone)
{
    MainViewHarness harness;
    ASSERT_TRUE(harness.start(55, true, 300ms));
    MainTovrinView* view = harness.view;
    QPointer<MainTovrinView> watched(view);
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->stores().session->bootstrapFinished(); }, 10000));
    harness.window->hide();  // closed during the pause: no join may follow
    ASSERT_TRUE(waitForStartUp(*view));  // it stopped
    ASSERT_TRUE(watched);
    EXPECT_FALSE(view->stores().radio->live()->isLive());
    EXPECT_EQ(view->stores().radio->connectionState(), RadioSession::ConnectionState::idle);
}

TEST(MainView, ScenePhasesSnapshotAndBackgroundMode)
{
    MainViewHarness harness;
    ASSERT_TRUE(harness.start(9, true, 10ms));
    MainTovrinView* view = harness.view;
    ASSERT_TRUE(waitForStartUp(*view));
    RadioSession* radio = harness.radio();
    ASSERT_TRUE(harness.waitUntilLive());

    UserDefaults().set("tovrin.was_live", false);
    view->applyScenePhase(ScenePhase::inactive);
    EXPECT_TRUE(UserDefaults().boolean("tovrin.was_live"));
    EXPECT_EQ(UserDefaults().integer("tovrin.last_channel"), 9);
    EXPECT_TRUE(radio->live()->backgroundRadioActive());
    const auto queued = [&] { return radio->live()->playback().rxPlayers().front()->queuedBuffers(); };
    EXPECT_EQ(queued(), 1u);
    view->applyScenePhase(ScenePhase::background);  // inactive, then background: still one keep-alive
    EXPECT_TRUE(radio->live()->backgroundRadioActive());
    EXPECT_EQ(queued(), 1u);
    view->applyScenePhase(ScenePhase::active);
    EXPECT_FALSE(radio->live()->backgroundRadioActive());
}

TEST(MainView, AQuitLeavesTheResumeStateAndAJoinHoldsTheUpdater)
{
    MainViewHarness harness;
    ASSERT_TRUE(harness.start(9, true, 10ms));
    ASSERT_TRUE(waitForStartUp(*harness.view));
    RadioSession* radio = harness.radio();
    ASSERT_TRUE(harness.waitUntilLive());

    // The updater installs only while nothing is in progress.
    const auto busy = TovrinBriselAutoUpdate::Environment::standard().busy;
    EXPECT_FALSE(busy());
    auto joining = radio->join(harness.view->stores().session->uid(), std::nullopt, "Ann", "", {});
    EXPECT_EQ(radio->connectionState(), RadioSession::ConnectionState::connecting);
    EXPECT_TRUE(busy());
    EXPECT_FALSE(runVoidTask(std::move(joining)));
    ASSERT_TRUE(harness.waitUntilLive());
    EXPECT_FALSE(busy());

    // What QCoreApplication::quit() announces on its way out, whoever asked for it.
    UserDefaults().set("tovrin.was_live", false);
    ASSERT_TRUE(QMetaObject::invokeMethod(qApp, "aboutToQuit", Qt::DirectConnection));
    EXPECT_TRUE(UserDefaults().boolean("tovrin.was_live"));
    EXPECT_EQ(UserDefaults().integer("tovrin.last_channel"), 9);

    harness.window.reset();
    EXPECT_FALSE(busy());  // the view took its check away with it
}

TEST(MainView, WatchMirrorPublishesOnShowRetuneAndThemeChange)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    storeResume(1, false);
    QWidget window;
    auto* view = new MainTovrinView(&window);
    TovrinWatchSync& watch = TovrinWatchSync::shared();
    const int before = watch.publishCount();
    window.show();
    EXPECT_EQ(watch.publishCount(), before + 1);
    view->stores().radio->applyChannel(2);
    EXPECT_EQ(watch.publishCount(), before + 2);
    EXPECT_EQ(watch.lastContext().value("channel").toString(), "001.002");
    view->stores().radio->applyChannel(2);  // same channel: nothing
    EXPECT_EQ(watch.publishCount(), before + 2);
    const FacePlateTheme& other = FacePlateTheme::byId("cyber");
    view->stores().theme->setCurrent(other);
    EXPECT_EQ(watch.publishCount(), before + 3);
    EXPECT_EQ(watch.lastContext().value("themeName").toString(), other.name);
}

TEST(App, FixedWindowTitleAndPrivacyConsent)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    UserDefaults().remove(PrivacyConsent::key);
    TovrinBriselApp app;
    app.show();
    EXPECT_EQ(app.window()->size(), QSize(402, 902));
    EXPECT_EQ(app.window()->windowTitle(), "My Tovrin-Brisel");
    EXPECT_TRUE(UserDefaults().boolean(PrivacyConsent::key));
    EXPECT_EQ(app.window()->mainView()->geometry(), QRect(0, 0, 402, 902));
}

}  // namespace
