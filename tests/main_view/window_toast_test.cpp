// The app's own window: what an action in the roster sheet reports is drawn
// above that sheet, not under it with the chat.
#include "app/main_tovrin_view.h"
#include "app/tovrin_brisel_app.h"
#include "main_view/started_app.h"
#include "platform/user_defaults.h"
#include "support/devserver_process.h"
#include "support/view_test_support.h"
#include "views/channel_chat_view.h"
#include "views/channel_roster_sheet.h"
#include "views/radio_view.h"
#include "views/sheet_overlay.h"
#include "views/toast_host.h"
#include "views/tovrin_shell_view.h"

#include <QAbstractAnimation>
#include <QMenu>
#include <QTest>

#include <gtest/gtest.h>

namespace {

TEST(WindowToast, ARosterActionsToastIsDrawnAboveTheRosterSheet)
{
    DevServerProcess server;
    ASSERT_TRUE(server.start());
    UserDefaults().remove("tovrin.last_channel");
    UserDefaults().remove("tovrin.was_live");
    TovrinBriselApp app;
    AppShellView& window = *app.window();
    ASSERT_TRUE(showAndWaitForStartUp(app));

    auto* radioView = window.findChild<RadioView*>();
    ASSERT_NE(radioView, nullptr);
    Q_EMIT radioView->shell()->chatTapped();
    auto* chat = qobject_cast<ChannelChatView*>(radioView->chatSheet()->content());
    ASSERT_NE(chat, nullptr);
    chat->openRoster();
    ChannelRosterSheet* roster = chat->rosterSheet();
    ASSERT_NE(roster, nullptr);
    // Both sheets belong to the window, the roster over the chat.
    ASSERT_EQ(chat->rosterSheetOverlay()->parentWidget(), &window);
    ASSERT_TRUE(chat->rosterSheetOverlay()->isVisible());

    // "Block user" on a listener's row of the roster.
    std::unique_ptr<QMenu> menu = roster->makeRowMenu(ChannelRosterMember{"another-user", "Q-ANOTHR", "Bo"});
    ASSERT_NE(menu, nullptr);
    menu->actions().first()->trigger();
    ASSERT_TRUE(QTest::qWaitFor([&] { return chat->toast().has_value(); }, 5000));
    EXPECT_EQ(chat->toast(), QStringLiteral("Blocked Bo — you won't hear or see them"));

    auto* toast = window.findChild<ToastHost*>();
    ASSERT_NE(toast, nullptr);
    EXPECT_EQ(toast->parentWidget(), &window);
    EXPECT_TRUE(toast->isShowing(chat));
    EXPECT_EQ(toast->text(), *chat->toast());
    // Once in place it lies over the roster sheet, and nothing of the window covers it.
    toast->motion()->setCurrentTime(toast->motion()->totalDuration());
    EXPECT_TRUE(chat->rosterSheetOverlay()->geometry().contains(toast->geometry()));
    EXPECT_TRUE(stackedOnTop(*toast));
    EXPECT_GT(window.children().indexOf(toast), window.children().indexOf(chat->rosterSheetOverlay()));
    saveArtifact(window, QStringLiteral("window_toast_over_roster"));
}

}  // namespace
