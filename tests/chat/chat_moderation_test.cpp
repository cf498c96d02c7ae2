#include "chat_fixture.h"

#include "services/tovrin_api.h"
#include "support/scripted_responder.h"
#include "support/view_test_support.h"
#include "views/channel_roster_sheet.h"
#include "views/sheet_overlay.h"

#include <QJsonDocument>
#include <QMenu>
#include <QPointer>
#include <QProgressBar>
#include <QPushButton>

namespace {

class ChatModerationTest : public ChatScreenTest {
protected:
    // Runs a menu entry the way a pick does, then lets its task end.
    static void pick(QMenu& menu, const QString& text)
    {
        for (QAction* action : menu.actions()) {
            if (action->text() == text) {
                action->trigger();
                return;
            }
        }
        ADD_FAILURE() << "no menu entry " << text.toStdString();
    }

    static QStringList entries(QMenu* menu)
    {
        QStringList texts;
        if (menu)
            for (QAction* action : menu->actions())
                texts << action->text();
        return texts;
    }

    ChatBubble* othersBubble() const
    {
        for (ChatBubble* bubble : chat->bubbles())
            if (!bubble->row().isMine)
                return bubble;
        return nullptr;
    }

    ChannelRosterSheet* roster()
    {
        chat->openRoster();
        ChannelRosterSheet* sheet = chat->rosterSheet();
        EXPECT_NE(sheet, nullptr);
        return sheet;
    }

    static QPushButton* button(QWidget* in, const QString& text)
    {
        for (QPushButton* candidate : in->findChildren<QPushButton*>())
            if (candidate->text() == text)
                return candidate;
        return nullptr;
    }
};

}  // namespace

TEST_F(ChatModerationTest, BlockingASenderDropsTheirLinesNowAndLater)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("from bo"));
    live()->sendChat(QStringLiteral("from me"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 2; }));
    ChannelChatView& view = openChat();
    ChatBubble* bubble = othersBubble();
    ASSERT_NE(bubble, nullptr);

    std::unique_ptr<QMenu> menu = bubble->makeContextMenu();
    pick(*menu, QStringLiteral("Block user"));
    ASSERT_TRUE(waitUntil([&] { return view.toast().has_value(); }));
    EXPECT_EQ(view.toast(), QStringLiteral("Blocked Bo — you won't hear or see them"));
    EXPECT_TRUE(blocks->blockedUIDs().contains(otherUID));
    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("from me")});
    EXPECT_EQ(live()->channelRoster().size(), 1);

    other->sendChat(QStringLiteral("still here?"));
    live()->sendChat(QStringLiteral("marker"));
    ASSERT_TRUE(waitUntil([&] { return messageTexts().contains(QStringLiteral("marker")); }));
    EXPECT_FALSE(messageTexts().contains(QStringLiteral("still here?")));
}

TEST_F(ChatModerationTest, ABlockThatDidNotTakeEffectSaysSoAndFiltersNothing)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("from bo"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    ScriptedResponder refusing;
    refusing.script({{.status = 500, .body = "{}"}});
    refusing.baseURL();
    // Blocking oneself is ignored by the store: no block, so no claim of one.
    ASSERT_FALSE(runVoidTask(view.blockUser(session->uid(), QStringLiteral("Me"))));
    EXPECT_EQ(view.toast(), QStringLiteral("Could not block user"));
    EXPECT_TRUE(refusing.requests().isEmpty());

    ASSERT_FALSE(runVoidTask(view.blockUser(otherUID, QStringLiteral("Bo"))));
    EXPECT_EQ(refusing.requests().size(), 1);
    EXPECT_EQ(view.toast(), QStringLiteral("Could not block user"));
    EXPECT_EQ(blocks->lastError(), QStringLiteral("Block failed"));
    EXPECT_EQ(messageTexts(), QStringList{QStringLiteral("from bo")});
}

TEST_F(ChatModerationTest, ABlockMadeElsewhereWhileOpenAppliesAtOnce)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("from bo"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    ASSERT_FALSE(runVoidTask(blocks->block(session->uid(), otherUID)));
    EXPECT_TRUE(view.bubbles().isEmpty());
    EXPECT_FALSE(view.emptyState()->isHidden());

    // Once the chat is closed, blocks wait for its next opening.
    chat.reset();
    const QString third = QStringLiteral("third-listener");
    ChannelAudioService thirdEngine;
    ASSERT_FALSE(runVoidTask(thirdEngine.connect(int(radio->channelNumber()), third, QStringLiteral("Cy"),
                                                 QStringLiteral("Q-CCCCCC"), {})));
    thirdEngine.sendChat(QStringLiteral("from cy"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ASSERT_FALSE(runVoidTask(blocks->block(session->uid(), third)));
    EXPECT_EQ(live()->chatMessages().size(), 1);
}

TEST_F(ChatModerationTest, OwnerBansFromTheRosterAndTheBannedEngineIsKicked)
{
    joinChannel(ownChannel());
    joinOther();
    ChannelChatView& view = openChat();
    ASSERT_TRUE(view.isChannelOwner());
    ChannelRosterSheet* sheet = roster();
    ASSERT_NE(sheet, nullptr);
    EXPECT_FALSE(view.rosterSheetOverlay()->isHidden());
    ASSERT_TRUE(waitUntil([&] { return !sheet->loadingBans(); }));
    QStringList shown = labelTexts(sheet);
    EXPECT_TRUE(shown.contains(QStringLiteral("ON YOUR CHANNEL NOW")));
    EXPECT_TRUE(shown.contains(QStringLiteral("Nobody banned")));
    EXPECT_TRUE(shown.contains(QStringLiteral("You")));
    EXPECT_TRUE(shown.contains(QStringLiteral(
        "Block — they disappear for you only (chat, voice, tones). Ban — kicks them off your channel; only you can unban.")));

    ChannelRosterMember me;
    ChannelRosterMember bo;
    for (const ChannelRosterMember& member : live()->channelRoster())
        (member.uid == otherUID ? bo : me) = member;
    EXPECT_EQ(sheet->makeRowMenu(me), nullptr);
    std::unique_ptr<QMenu> menu = sheet->makeRowMenu(bo);
    EXPECT_EQ(entries(menu.get()), QStringList({"Block user", "Ban from your channel"}));
    pick(*menu, QStringLiteral("Ban from your channel"));
    ASSERT_TRUE(waitUntil([&] { return view.toast().has_value(); }));
    // The roster knows the listener by the server's record, which has no name.
    EXPECT_EQ(view.toast(), QStringLiteral("Banned Radio User from your channel"));
    EXPECT_TRUE(waitUntil([&] { return !other->isLive(); }));
    EXPECT_EQ(other->kickReason(), QStringLiteral("banned"));
    EXPECT_TRUE(waitUntil([&] { return live()->channelRoster().size() == 1; }));
    // The banned list waits for a refresh.
    EXPECT_TRUE(sheet->banned().empty());

    ASSERT_FALSE(runVoidTask(sheet->refresh()));
    ASSERT_EQ(sheet->banned().size(), 1u);
    EXPECT_EQ(sheet->banned().front().uid, otherUID);
    EXPECT_TRUE(labelTexts(sheet).contains(QStringLiteral("Radio User")));  // never checked in: no name
    saveArtifact(*view.rosterSheetOverlay(), QStringLiteral("chat_roster_owner"));

    // Unban: progress, then the reloaded list.
    QPushButton* unban = button(sheet, QStringLiteral("Unban"));
    ASSERT_NE(unban, nullptr);
    QTest::mouseClick(unban, Qt::LeftButton);
    EXPECT_TRUE(waitUntil([&] { return view.toast() == QStringLiteral("Unbanned Radio User"); }));
    EXPECT_TRUE(waitUntil([&] { return sheet->banned().empty() && !sheet->loadingBans(); }));
    EXPECT_TRUE(labelTexts(sheet).contains(QStringLiteral("Nobody banned")));

    // The lifted ban lets the listener back in.
    other = std::make_unique<ChannelAudioService>();
    joinOther();
}

TEST_F(ChatModerationTest, AListenerWhoDoesNotOwnTheChannelSeesNoBanAnywhere)
{
    joinChannel(1);
    joinOther();
    other->sendChat(QStringLiteral("from bo"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    ASSERT_FALSE(view.isChannelOwner());
    EXPECT_EQ(entries(othersBubble()->makeContextMenu().get()), QStringList({"Add to quick bar", "Block user", "React"}));

    ChannelRosterSheet* sheet = roster();
    ASSERT_NE(sheet, nullptr);
    ASSERT_FALSE(runVoidTask(sheet->refresh()));
    EXPECT_FALSE(sheet->loadingBans());
    const QStringList shown = labelTexts(sheet);
    EXPECT_TRUE(shown.contains(QStringLiteral("LISTENING NOW")));
    EXPECT_FALSE(shown.contains(QStringLiteral("BANNED FROM YOUR CHANNEL")));
    EXPECT_TRUE(shown.contains(QStringLiteral(
        "Block — you won't hear their voice, PTT tones, or chat. Only the channel owner can ban someone from this channel.")));
    ChannelRosterMember bo;
    for (const ChannelRosterMember& member : live()->channelRoster())
        if (member.uid == otherUID)
            bo = member;
    EXPECT_EQ(entries(sheet->makeRowMenu(bo).get()), QStringList{QStringLiteral("Block user")});

    // Reached anyway (a stale menu): no request, no toast.
    ASSERT_FALSE(runVoidTask(view.banUser(otherUID, QStringLiteral("Bo"))));
    ASSERT_FALSE(runVoidTask(view.unbanUser(ChannelBanEntry{otherUID, otherRadioId, otherName})));
    EXPECT_FALSE(view.toast());
    EXPECT_TRUE(other->isLive());
}

TEST_F(ChatModerationTest, TheOwnersMenusLoseBanWhenTheChannelGoesDown)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("from bo"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    QPointer<ChatBubble> bubble = othersBubble();
    ASSERT_TRUE(bubble);
    EXPECT_EQ(entries(bubble->makeContextMenu().get()),
              QStringList({"Add to quick bar", "Block user", "Ban from your channel", "React"}));
    // Going off air first drops the owner actions from the rows, then clears the
    // lines; the cleared bubble is deleted later, so with no event loop run it is
    // still here to ask.
    live()->disconnect();
    ASSERT_FALSE(view.isChannelOwner());
    ASSERT_TRUE(bubble);
    EXPECT_EQ(entries(bubble->makeContextMenu().get()), QStringList({"Add to quick bar", "Block user", "React"}));
}

TEST_F(ChatModerationTest, FailedBanListKeepsItsRowsAndFailedBanOrUnbanSayOnlyTheirShortText)
{
    joinChannel(ownChannel());
    ASSERT_FALSE(runVoidTask(TovrinAPI::shared().banFromChannel(session->uid(), ownChannel(), otherUID)));
    ChannelChatView& view = openChat();
    ASSERT_TRUE(view.isChannelOwner());
    ChannelRosterSheet* sheet = roster();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return !sheet->loadingBans() && sheet->banned().size() == 1; }));

    ScriptedResponder broken;
    broken.script({{.status = 500, .body = "{}"}});
    broken.baseURL();
    ASSERT_FALSE(runVoidTask(sheet->refresh()));
    // Not "Nobody banned": the last list stays, and the sheet says the load failed.
    ASSERT_EQ(sheet->banned().size(), 1u);
    EXPECT_EQ(sheet->banned().front().uid, otherUID);
    const QStringList shown = labelTexts(sheet);
    EXPECT_TRUE(shown.contains(QStringLiteral("Could not load bans")));
    EXPECT_FALSE(shown.contains(QStringLiteral("Nobody banned")));
    EXPECT_NE(button(sheet, QStringLiteral("Unban")), nullptr);

    ASSERT_FALSE(runVoidTask(view.banUser(otherUID, QStringLiteral("Bo"))));
    EXPECT_EQ(view.toast(), QStringLiteral("Could not ban user"));
    ASSERT_FALSE(runVoidTask(view.unbanUser(ChannelBanEntry{otherUID, otherRadioId, otherName})));
    EXPECT_EQ(view.toast(), QStringLiteral("Could not unban user"));
}

TEST_F(ChatModerationTest, TheOpenRosterFollowsTheViewersOwnership)
{
    joinChannel(ownChannel());
    joinOther();
    ASSERT_FALSE(runVoidTask(TovrinAPI::shared().banFromChannel(session->uid(), ownChannel(), QStringLiteral("gone"))));
    ChannelChatView& view = openChat();
    ChannelRosterSheet* sheet = roster();
    ASSERT_NE(sheet, nullptr);
    ASSERT_TRUE(waitUntil([&] { return !sheet->loadingBans() && sheet->banned().size() == 1; }));
    ChannelRosterMember bo;
    for (const ChannelRosterMember& member : live()->channelRoster())
        if (member.uid == otherUID)
            bo = member;
    ASSERT_FALSE(bo.uid.isEmpty());
    EXPECT_TRUE(labelTexts(sheet).contains(QStringLiteral("BANNED FROM YOUR CHANNEL")));

    // Off air while the sheet is open: the owner's header, Ban and the banned list go.
    live()->disconnect();
    ASSERT_FALSE(view.isChannelOwner());
    EXPECT_FALSE(sheet->isOwner());
    EXPECT_EQ(entries(sheet->makeRowMenu(bo).get()), QStringList{QStringLiteral("Block user")});
    QStringList shown = labelTexts(sheet);
    EXPECT_FALSE(shown.contains(QStringLiteral("ON YOUR CHANNEL NOW")));
    EXPECT_FALSE(shown.contains(QStringLiteral("BANNED FROM YOUR CHANNEL")));
    EXPECT_FALSE(shown.contains(QStringLiteral("Radio User")));
    EXPECT_TRUE(shown.contains(QStringLiteral(
        "Block — you won't hear their voice, PTT tones, or chat. Only the channel owner can ban someone from this channel.")));

    // Back on air: the owner's sheet again, with its ban list read afresh.
    joinChannel(ownChannel());
    ASSERT_TRUE(view.isChannelOwner());
    EXPECT_TRUE(sheet->isOwner());
    EXPECT_EQ(sheet->channelNumber(), ownChannel());
    ASSERT_TRUE(waitUntil([&] { return !sheet->loadingBans() && sheet->banned().size() == 1; }));
    EXPECT_TRUE(labelTexts(sheet).contains(QStringLiteral("BANNED FROM YOUR CHANNEL")));
}

TEST_F(ChatModerationTest, OffAirTheRosterShowsOnlyThePlaceholder)
{
    radio->setChannel(ownChannel());
    openChat();
    ChannelRosterSheet* sheet = roster();
    ASSERT_NE(sheet, nullptr);
    const QStringList shown = labelTexts(sheet);
    EXPECT_TRUE(shown.contains(QStringLiteral("Nobody here yet")));
    EXPECT_FALSE(shown.contains(QStringLiteral("LISTENING NOW")));
    EXPECT_FALSE(shown.contains(QStringLiteral("ON YOUR CHANNEL NOW")));
    EXPECT_EQ(sheet->findChildren<QPushButton*>().size(), 2);  // refresh and done only

    // "Done" closes the roster, not the chat.
    QTest::mouseClick(button(sheet, QStringLiteral("Done")), Qt::LeftButton);
    EXPECT_TRUE(chat->rosterSheetOverlay()->isHidden());
    EXPECT_FALSE(chat->isHidden());
}

// ---- saving a sender's channel ---------------------------------------------------------

TEST_F(ChatModerationTest, AddingASenderSavesTheirChannelAndReloadsTheQuickBar)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("save me"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    std::unique_ptr<QMenu> menu = othersBubble()->makeContextMenu();
    pick(*menu, QStringLiteral("Add to quick bar"));
    ASSERT_TRUE(waitUntil([&] { return view.toast().has_value(); }));
    EXPECT_EQ(view.toast(), QStringLiteral("Added Bo to quick bar"));
    ASSERT_FALSE(friends->savedSlots().empty());
    EXPECT_EQ(friends->savedSlots().back().channelNumber, ownChannel());
}

TEST_F(ChatModerationTest, SavedChannelRepliesMapToTheirTexts)
{
    struct Case {
        QByteArray reply;
        int status;
        QString toast;
    };
    const QList<Case> cases{
        {R"({"ok": false, "error": "not_found"})", 200, "That channel is not on the server yet"},
        {R"({"ok": false, "error": "bad_request"})", 200, "Invalid channel"},
        {R"({"ok": false, "error": "full"})", 200, "Could not save channel"},
        {R"({"ok": false})", 200, "Could not save channel"},
        {R"({})", 500, "Could not save channel"},
        {R"(not json)", 200, "Could not save channel"},
        // No "ok" is success; the reload that follows fails, the toast does not care.
        {R"({})", 200, "Added Radio User to quick bar"},
    };
    radio->setChannel(321);
    ChannelChatView& view = openChat();
    // A sender without a radio ID: no "friend_radio_id" in the body.
    const ChatMessage sender{"m1", "sender-uid", "", "  ", "hi", 1, {}};
    std::unique_ptr<ScriptedResponder> responder;
    for (const Case& c : cases) {
        responder = std::make_unique<ScriptedResponder>();
        responder->script({{.status = c.status, .body = c.reply}, {.status = 500, .body = "{}"}});
        responder->baseURL();
        ASSERT_FALSE(runVoidTask(view.addFriend(sender)));
        EXPECT_EQ(view.toast(), c.toast) << c.reply.toStdString();
        if (!c.toast.startsWith(QStringLiteral("Added")))
            EXPECT_EQ(friends->lastError(), c.toast);
    }
    ASSERT_EQ(responder->requests().size(), 2);  // the save, then the quick bar's reload
    EXPECT_EQ(responder->requests().at(1).target.left(22), QByteArray("/v1/saved-channels?uid"));
    const QJsonObject body = QJsonDocument::fromJson(responder->requests().first().body).object();
    EXPECT_EQ(body.value("uid").toString(), session->uid());
    EXPECT_EQ(body.value("label").toString(), QStringLiteral("Radio User"));
    EXPECT_EQ(body.value("channel_number").toInteger(), 321);
    EXPECT_EQ(body.value("icon_id").toString(), QStringLiteral("friend"));
    EXPECT_EQ(body.value("friend_uid").toString(), QStringLiteral("sender-uid"));
    EXPECT_FALSE(body.contains("friend_radio_id"));
    EXPECT_FALSE(body.contains("icon_custom"));
}
