// The real window under an X server: screenshots after start-up and after
// joining, written into the build directory for a person to look at.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/block_store.h"
#include "support/artifacts.h"
#include "support/devserver_process.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTest>

#include <gtest/gtest.h>

namespace {

void saveScreenshot(AppShellView& window, const QString& name)
{
    // Painted now, and the X server has taken every request before the grab.
    window.repaint();
    QGuiApplication::sync();
    const QPixmap shot = QGuiApplication::primaryScreen()->grabWindow(0, window.x(), window.y(), window.width(), window.height());
    EXPECT_FALSE(shot.isNull());
    EXPECT_EQ(shot.size(), QSize(402, 902));
    EXPECT_TRUE(shot.save(artifactFilePath(name, QStringLiteral("window"))));
}

TEST(RealWindow, StartsFixedAndJoins)
{
    if (QGuiApplication::platformName() != QLatin1String("xcb"))
        GTEST_SKIP() << "needs an X server (run through xvfb-run)";
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    UserDefaults().remove("tovrin.last_channel");
    UserDefaults().remove("tovrin.was_live");

    TovrinBriselApp app;
    app.show();
    AppShellView& window = *app.window();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&window, 5000));
    MainTovrinView& view = *window.mainView();
    view.setRestorePause(std::chrono::milliseconds(10));
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.startUpFinished(); }, 15000));
    EXPECT_EQ(window.size(), QSize(402, 902));
    window.resize(800, 600);  // a drag on the edge cannot resize it
    EXPECT_EQ(window.size(), QSize(402, 902));
    saveScreenshot(window, QStringLiteral("after-start-up.png"));

    RadioSession* radio = view.stores().radio;
    const AppStores& stores = view.stores();
    QCoro::waitFor(radio->join(stores.session->uid(), std::nullopt, stores.session->chatDisplayName(),
                               stores.session->radioId(), stores.blocks->blockedUIDs()));
    ASSERT_TRUE(QTest::qWaitFor([&] { return radio->live()->isLive(); }, 5000));
    saveScreenshot(window, QStringLiteral("after-join.png"));
}

}  // namespace
