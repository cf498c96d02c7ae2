#include "chat_fixture.h"

#include "support/view_test_support.h"
#include "views/toast_host.h"

#include <QAbstractAnimation>
#include <QMenu>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QSignalSpy>

using namespace std::chrono_literals;

namespace {

class ChatViewTest : public ChatScreenTest {};

QStringList texts(const ChannelAudioService& engine)
{
    QStringList all;
    for (const ChatMessage& line : engine.chatMessages())
        all << line.text;
    return all;
}

void tap(QWidget* widget, QPoint at = {})
{
    QTest::mouseClick(widget, Qt::LeftButton, {}, at.isNull() ? widget->rect().center() : at);
}

QAction* findAction(QMenu& menu, const QString& text)
{
    for (QAction* action : menu.actions())
        if (action->text() == text)
            return action;
    return nullptr;
}

}  // namespace

TEST_F(ChatViewTest, LinesGoBothWaysAndOnlyTheUsersOwnAreMine)
{
    joinChannel(ownChannel());
    joinOther();
    ChannelChatView& view = openChat();
    EXPECT_FALSE(view.emptyState()->isHidden());

    Diagnostics::LineCapture log;
    view.setDraft(QStringLiteral("  hello there \n"));
    ASSERT_TRUE(view.sendButton()->isEnabled());
    tap(view.sendButton());
    EXPECT_EQ(view.draft(), QString());
    EXPECT_EQ(log.lines().filter(QStringLiteral("[TovrinUI] chat send tap")).size(), 1);
    EXPECT_TRUE(hapticTrace().contains(QStringLiteral("impact medium")));
    ASSERT_TRUE(waitUntil([&] { return texts(*other).contains(QStringLiteral("hello there")); }));

    // The other listener answers under the user's own nickname: still not mine.
    other->updateChatIdentity(session->chatDisplayName(), otherRadioId);
    other->sendChat(QStringLiteral("hi back"));
    ASSERT_TRUE(waitUntil([&] { return messageTexts() == QStringList({"hello there", "hi back"}); }));
    EXPECT_TRUE(view.emptyState()->isHidden());
    const QList<ChatBubble*> rows = view.bubbles();
    EXPECT_TRUE(rows[0]->row().isMine);
    EXPECT_FALSE(rows[1]->row().isMine);
    EXPECT_EQ(rows[1]->row().message.chatNickname(), session->chatDisplayName());
}

TEST_F(ChatViewTest, TheComposerSendsWhatTheUserMeantAndKeepsBlankText)
{
    joinChannel(ownChannel());
    joinOther();
    ChannelChatView& view = openChat();
    Diagnostics::LineCapture log;

    // Only blanks: nothing happens, by button or Return, and the blanks stay.
    view.setDraft(QStringLiteral("  \n "));
    EXPECT_FALSE(view.sendButton()->isEnabled());
    view.composer()->setFocus();
    QTest::keyClick(view.composer(), Qt::Key_Return);
    view.sendDraft();
    EXPECT_EQ(view.draft(), QStringLiteral("  \n "));
    EXPECT_TRUE(log.lines().filter(QStringLiteral("chat send tap")).isEmpty());
    EXPECT_EQ(hapticImpacts(), 0);

    // Return sends; the engine cuts a long line to 500 characters of its trimmed text.
    const QString longLine = QStringLiteral(" ") + QString(520, QLatin1Char('x')) + QStringLiteral("END");
    view.setDraft(longLine);
    QTest::keyClick(view.composer(), Qt::Key_Return);
    EXPECT_EQ(view.draft(), QString());
    ASSERT_TRUE(waitUntil([&] { return !other->chatMessages().isEmpty(); }));
    EXPECT_EQ(other->chatMessages().last().text, QString(500, QLatin1Char('x')));

    // Shift+Return is a new line in the draft.
    view.setDraft(QStringLiteral("one"));
    QTest::keyClick(view.composer(), Qt::Key_Return, Qt::ShiftModifier);
    EXPECT_EQ(view.draft(), QStringLiteral("one\n"));
}

TEST_F(ChatViewTest, OffAirTheSendButtonIsDimmedAndTheDraftWaitsForTheChannel)
{
    radio->setChannel(7);
    ChannelChatView& view = openChat();
    EXPECT_DOUBLE_EQ(view.sendButtonOpacity(), 0.55);
    view.setDraft(QStringLiteral("anyone?"));
    EXPECT_TRUE(view.sendButton()->isEnabled());
    tap(view.sendButton());
    // Nothing could go out: the text stays, no "sent" haptic, and the toast says why.
    EXPECT_EQ(view.draft(), QStringLiteral("anyone?"));
    EXPECT_EQ(hapticImpacts(), 0);
    EXPECT_EQ(view.toast(), QStringLiteral("Join channel to chat"));
    EXPECT_TRUE(view.bubbles().isEmpty());

    // On air, the same draft goes with the next tap.
    joinChannel(7);
    EXPECT_DOUBLE_EQ(view.sendButtonOpacity(), 1.0);
    tap(view.sendButton());
    EXPECT_EQ(view.draft(), QString());
    EXPECT_TRUE(hapticTrace().contains(QStringLiteral("impact medium")));
    ASSERT_TRUE(waitUntil([&] { return messageTexts() == QStringList{QStringLiteral("anyone?")}; }));
}

TEST_F(ChatViewTest, EmojiBarAppendsToTheDraftAndSendsNothing)
{
    joinChannel(ownChannel());
    ChannelChatView& view = openChat();
    const QList<QPushButton*> keys = view.emojiButtons();
    ASSERT_EQ(keys.size(), 12);
    QStringList shown;
    for (QPushButton* key : keys)
        shown << key->text();
    EXPECT_EQ(shown, chatQuickEmojis());
    EXPECT_EQ(chatQuickEmojis().at(1), QString::fromUtf8("\u2764\uFE0F"));

    tap(keys[0]);
    EXPECT_EQ(view.draft(), QStringLiteral("👍"));
    view.setDraft(QStringLiteral("great"));
    QTextCursor start = view.composer()->textCursor();
    start.setPosition(0);
    view.composer()->setTextCursor(start);  // the cursor's place does not matter
    tap(keys[3]);
    tap(keys[11]);
    EXPECT_EQ(view.draft(), QStringLiteral("great🔥🫡"));
    EXPECT_EQ(hapticTrace().filter(QStringLiteral("impact soft")).size(), 3);
    // A line sent now reaches the channel behind anything the keys had sent.
    view.setDraft(QStringLiteral("marker"));
    view.sendDraft();
    ASSERT_TRUE(waitUntil([&] { return !live()->chatMessages().isEmpty(); }));
    EXPECT_EQ(live()->chatMessages().size(), 1);
    EXPECT_EQ(live()->chatMessages().first().text, QStringLiteral("marker"));
}

TEST_F(ChatViewTest, ReactionsToggleThroughTheMenuAndTheChips)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("react to me"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ChannelChatView& view = openChat();
    ChatBubble* bubble = view.bubbles().value(0);
    ASSERT_NE(bubble, nullptr);

    std::unique_ptr<QMenu> menu = bubble->makeContextMenu();
    ASSERT_NE(menu, nullptr);
    QAction* react = findAction(*menu, QStringLiteral("React"));
    ASSERT_NE(react, nullptr);
    QAction* fire = findAction(*react->menu(), QStringLiteral("🔥"));
    ASSERT_NE(fire, nullptr);
    fire->trigger();
    EXPECT_TRUE(hapticTrace().contains(QStringLiteral("impact soft")));
    ASSERT_TRUE(waitUntil([&] { return view.bubbles().value(0)->sortedReactions().size() == 1; }));
    EXPECT_EQ(view.bubbles().value(0)->sortedReactions().at(0), (ChatReactionCount{QStringLiteral("🔥"), 1}));
    ASSERT_TRUE(waitUntil([&] { return other->chatMessages().value(0).reactions.contains(QStringLiteral("🔥")); }));

    // Tapping the chip gives the same emoji again, which takes it back.
    bubble = view.bubbles().value(0);
    tap(bubble, bubble->chipRect(0).center());
    EXPECT_TRUE(waitUntil([&] { return view.bubbles().value(0)->sortedReactions().isEmpty(); }));
}

TEST_F(ChatViewTest, HeaderFollowsTheTunedChannelAndTheLiveState)
{
    radio->setChannel(1);
    ChannelChatView& view = openChat();
    EXPECT_EQ(view.headerTitle(), QStringLiteral("CH 001.001"));
    EXPECT_EQ(view.headerSubtitle(), QStringLiteral("Join channel to chat"));
    EXPECT_EQ(view.liveDotColor(), QColor::fromRgbF(0.5568627f, 0.5568627f, 0.5764706f, 0.35f));
    EXPECT_EQ(view.rosterButton()->text(), QStringLiteral("0"));
    EXPECT_FALSE(view.isChannelOwner());

    joinChannel(1);
    EXPECT_EQ(view.headerSubtitle(), QStringLiteral("Live text + voice"));
    EXPECT_EQ(view.liveDotColor(), theme->current().accent);
    EXPECT_TRUE(waitUntil([&] { return view.rosterButton()->text() == QStringLiteral("1"); }));
    EXPECT_FALSE(view.isChannelOwner());  // not the user's channel

    radio->leaveChannel();
    EXPECT_EQ(view.headerSubtitle(), QStringLiteral("Join channel to chat"));
}

TEST_F(ChatViewTest, OwnerOnlyOnTheOwnChannelWhileLive)
{
    ChannelChatView& view = openChat();
    radio->setChannel(ownChannel());
    EXPECT_FALSE(view.isChannelOwner());  // not live
    joinChannel(ownChannel());
    EXPECT_TRUE(view.isChannelOwner());
    radio->leaveChannel();
    EXPECT_FALSE(view.isChannelOwner());
    radio->setChannel(1);
    EXPECT_FALSE(view.isChannelOwner());
}

TEST_F(ChatViewTest, TheListFollowsNewLinesButNotAnOpeningOrAReaction)
{
    joinChannel(ownChannel());
    joinOther();
    for (int i = 0; i < 14; ++i)
        other->sendChat(QStringLiteral("line %1 with enough words to take a little room").arg(i));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 14; }));

    ChannelChatView& view = openChat();
    QScrollBar* bar = view.messageScroll()->verticalScrollBar();
    ASSERT_GT(bar->maximum(), 0);
    EXPECT_EQ(bar->value(), 0);  // opening starts at the top

    // A reaction changes no count: no scroll.
    other->sendReaction(live()->chatMessages().first().id, QStringLiteral("👍"));
    ASSERT_TRUE(waitUntil([&] { return !view.bubbles().value(0)->sortedReactions().isEmpty(); }));
    EXPECT_EQ(bar->value(), 0);

    other->sendChat(QStringLiteral("newest"));
    ASSERT_TRUE(waitUntil([&] { return messageTexts().size() == 15; }));
    const ChatBubble* newest = view.bubbles().last();
    QWidget* viewport = view.messageScroll()->viewport();
    EXPECT_TRUE(waitUntil([&] {
        return bar->value() == bar->maximum() && viewport->rect().contains(newest->mapTo(viewport, newest->rect().bottomLeft()));
    }, 2s)) << bar->value() << " of " << bar->maximum();
}

TEST_F(ChatViewTest, ToastsClearOnTheirOwnTimerWhateverShows)
{
    ChannelChatView& view = openChat();
    view.setToastDurationForTesting(50ms);
    QSignalSpy changes(&view, &ChannelChatView::toastChanged);
    view.showToast(QStringLiteral("first"));
    EXPECT_EQ(view.toast(), QStringLiteral("first"));
    view.showToast(QStringLiteral("second"));  // no timer can fire between the two
    EXPECT_EQ(view.toast(), QStringLiteral("second"));
    // The first call's clearing takes the second toast away.
    ASSERT_TRUE(waitUntil([&] { return !view.toast(); }));
    EXPECT_EQ(changes.size(), 3);  // first, second, cleared
    ASSERT_TRUE(waitPastTimers(50ms));  // the second call's clearing too
    EXPECT_FALSE(view.toast());
    EXPECT_EQ(changes.size(), 3);
}

TEST_F(ChatViewTest, TheToastSlidesUpOverTheComposerAndSlidesAwayFading)
{
    ChannelChatView& view = openChat();
    view.setToastDurationForTesting(std::chrono::milliseconds(1));
    view.showToast(QStringLiteral("Added Bo to quick bar"));
    ToastHost* host = ToastHost::of(&view);
    ASSERT_TRUE(host->isShowing(&view));
    EXPECT_EQ(host->y(), view.height());  // from the bottom edge
    ASSERT_EQ(host->motion()->state(), QAbstractAnimation::Running);
    host->motion()->setCurrentTime(host->motion()->totalDuration());
    EXPECT_EQ(host->geometry().bottom() + 1, view.height() - 88);

    // Cleared: the text is gone at once, the capsule slides out and fades.
    ASSERT_TRUE(waitUntil([&] { return !view.toast(); }));
    EXPECT_FALSE(host->isShowing(&view));
    EXPECT_FALSE(host->isHidden());
    host->motion()->setCurrentTime(host->motion()->totalDuration());
    EXPECT_TRUE(host->isHidden());
}

TEST_F(ChatViewTest, DoneLogsReleasesTheKeyboardAndAsksToClose)
{
    ChannelChatView& view = openChat();
    ASSERT_TRUE(waitUntil([&] { return view.composer()->hasFocus() || !view.isActiveWindow(); }));
    view.composer()->setFocus();
    QSignalSpy dismiss(&view, &ChannelChatView::dismissRequested);
    Diagnostics::LineCapture log;
    tap(view.doneButton());
    EXPECT_EQ(dismiss.size(), 1);
    EXPECT_FALSE(view.composer()->hasFocus());
    const QStringList lines = log.lines().filter(QStringLiteral("[UIJANK] chat Done t="));
    ASSERT_EQ(lines.size(), 1);
    EXPECT_TRUE(lines[0].endsWith(QStringLiteral(" build=1"))) << lines[0].toStdString();
}

TEST_F(ChatViewTest, OpeningLogsTheLiveStateAndAppliesBlocksMadeWhileClosed)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("soon hidden"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    ASSERT_FALSE(runVoidTask(blocks->block(session->uid(), otherUID)));
    ASSERT_TRUE(blocks->blockedUIDs().contains(otherUID));
    EXPECT_EQ(live()->chatMessages().size(), 1);  // nobody told the engine yet

    Diagnostics::LineCapture log;
    ChannelChatView& view = openChat();
    EXPECT_EQ(log.lines().filter(QStringLiteral("[TovrinChat][mac] open live=true build=1 msgs=1")).size(), 1);
    EXPECT_TRUE(live()->chatMessages().isEmpty());
    EXPECT_TRUE(view.bubbles().isEmpty());
    EXPECT_FALSE(view.emptyState()->isHidden());
}

TEST_F(ChatViewTest, PicturesOfTheChat)
{
    joinChannel(ownChannel());
    joinOther();
    other->sendChat(QStringLiteral("Anyone on the north ridge? Signal is clear up here."));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 1; }));
    live()->sendChat(QStringLiteral("Copy that, heading up in ten 👍"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().size() == 2; }));
    other->sendReaction(live()->chatMessages().first().id, QStringLiteral("🔥"));
    live()->sendReaction(live()->chatMessages().first().id, QStringLiteral("🔥"));
    other->sendReaction(live()->chatMessages().last().id, QStringLiteral("👍"));
    ASSERT_TRUE(waitUntil([&] { return live()->chatMessages().last().reactions.size() == 1; }));

    const std::vector<FacePlateTheme>& all = FacePlateTheme::catalog();
    for (const FacePlateTheme& picked : {all.front(), all.at(40), all.at(120)}) {
        theme->setCurrent(picked);
        ChannelChatView& view = openChat();
        view.setDraft(QStringLiteral("On my way"));
        view.showToast(QStringLiteral("Added Bo to quick bar"));
        runQueued();
        saveArtifact(view, QStringLiteral("chat_view_%1").arg(picked.id));
    }
    chat.reset();
    radio->leaveChannel();
    ChannelChatView& empty = openChat();
    runQueued();
    saveArtifact(empty, QStringLiteral("chat_view_empty"));
}
