#include "theme/theme_contrast.h"
#include "theme/theme_store.h"
#include "views/chat_bubble.h"

#include <QMenu>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <cmath>

namespace {

using Reactions = QMap<QString, QStringList>;

ChatMessage message(const QString& text, Reactions reactions = {}, const QString& name = QStringLiteral("Bo"),
                    const QString& radioId = QStringLiteral("Q-BBBBBB"))
{
    return ChatMessage{"m1", "sender", radioId, name, text, 1, std::move(reactions)};
}

struct Calls {
    QStringList reactions;
    int addFriend = 0;
    int block = 0;
    int ban = 0;
};

QCoro::Task<void> count(int* counter)
{
    ++*counter;
    co_return;
}

ChatBubble::Row row(ChatMessage m, bool mine, bool owner, Calls& calls)
{
    ChatBubble::Row r;
    r.message = std::move(m);
    r.isMine = mine;
    r.isChannelOwner = owner;
    r.onReaction = [&calls](const QString& emoji) { calls.reactions << emoji; };
    r.onAddFriend = [&calls] { return count(&calls.addFriend); };
    r.onBlock = [&calls] { return count(&calls.block); };
    r.onBan = [&calls] { return count(&calls.ban); };
    return r;
}

QStringList entries(QMenu* menu)
{
    QStringList texts;
    if (menu)
        for (QAction* action : menu->actions())
            texts << action->text();
    return texts;
}

// A grey whose relative luminance is `l`.
QColor greyOfLuminance(double l)
{
    const double c = l <= 0.03928 / 12.92 ? l * 12.92 : 1.055 * std::pow(l, 1 / 2.4) - 0.055;
    return QColor::fromRgbF(float(c), float(c), float(c));
}

class ChatBubbleTest : public ::testing::Test {
protected:
    void SetUp() override { QSettings().clear(); }

    std::unique_ptr<ChatBubble> bubble(ChatBubble::Row r)
    {
        auto b = std::make_unique<ChatBubble>(&theme, std::move(r));
        b->resize(360, b->heightForWidth(360));
        return b;
    }

    ThemeStore theme;
    Calls calls;
};

}  // namespace

TEST(ChatReactions, ChipsAreTheGivenReactionsMostGivenFirst)
{
    struct Case {
        Reactions reactions;
        QList<ChatReactionCount> chips;
    };
    const QList<Case> cases{
        {{}, {}},
        {{{"🔥", {"a", "b"}}, {"👍", {"a", "b", "c", "d", "e"}}}, {{"👍", 5}, {"🔥", 2}}},
        {{{"🔥", {}}, {"👍", {"a"}}}, {{"👍", 1}}},
        {{{"🔥", {}}, {"👍", {}}}, {}},
    };
    for (const Case& c : cases)
        EXPECT_EQ(sortedReactions(c.reactions), c.chips);
}

TEST(ChatReactions, TheQuickEmojiAreTwelveInOrder)
{
    EXPECT_EQ(chatQuickEmojis(), QStringList({"👍", "❤️", "😂", "🔥", "👋", "😡", "💯", "🎉", "🙏", "⭐", "💀", "🫡"}));
}

TEST_F(ChatBubbleTest, OwnLinesSitTrailingInTheSelfColourWithoutAMenu)
{
    auto mine = bubble(row(message("mine", {{"👍", {"x"}}}), true, true, calls));
    EXPECT_EQ(mine->bubbleRect().right(), mine->width() - 1);
    EXPECT_EQ(mine->bubbleColor(), theme.current().chatSelf);
    EXPECT_EQ(mine->makeContextMenu(), nullptr);
    // Chips on one's own line still react.
    QTest::mouseClick(mine.get(), Qt::LeftButton, {}, mine->chipRect(0).center());
    EXPECT_EQ(calls.reactions, QStringList{"👍"});

    auto theirs = bubble(row(message("theirs"), false, false, calls));
    EXPECT_EQ(theirs->bubbleRect().left(), 0);
    EXPECT_EQ(theirs->bubbleColor(), theme.current().chatOther);
}

TEST_F(ChatBubbleTest, OthersMenusOfferBanOnlyToTheOwnerAndEveryQuickEmoji)
{
    auto listener = bubble(row(message("hi"), false, false, calls));
    EXPECT_EQ(entries(listener->makeContextMenu().get()), QStringList({"Add to quick bar", "Block user", "React"}));

    auto owner = bubble(row(message("hi"), false, true, calls));
    std::unique_ptr<QMenu> menu = owner->makeContextMenu();
    ASSERT_EQ(entries(menu.get()), QStringList({"Add to quick bar", "Block user", "Ban from your channel", "React"}));
    const QList<QAction*> actions = menu->actions();
    EXPECT_EQ(entries(actions[3]->menu()), chatQuickEmojis());
    actions[0]->trigger();
    actions[1]->trigger();
    actions[2]->trigger();
    actions[2]->trigger();  // two picks, two runs
    actions[3]->menu()->actions().at(9)->trigger();
    EXPECT_EQ(calls.addFriend, 1);
    EXPECT_EQ(calls.block, 1);
    EXPECT_EQ(calls.ban, 2);
    EXPECT_EQ(calls.reactions, QStringList{"⭐"});
}

TEST_F(ChatBubbleTest, ChipTapsGiveTheirEmojiEveryTime)
{
    auto b = bubble(row(message("x", {{"🔥", {"a", "b"}}, {"👍", {"a", "b", "c"}}}), false, false, calls));
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, b->chipRect(1).center());
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, b->chipRect(1).center());
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, b->chipRect(0).center());
    QTest::mouseClick(b.get(), Qt::LeftButton, {}, b->bubbleRect().center());  // not a chip
    EXPECT_EQ(calls.reactions, QStringList({"🔥", "🔥", "👍"}));
}

TEST_F(ChatBubbleTest, TheNameBlockAndTheBubbleKeepTheirShape)
{
    ChatSenderLabel withId{"Bo", "Q-BBBBBB", false};
    ChatSenderLabel withoutId{"Bo", "", false};
    EXPECT_GT(withId.size().height(), withoutId.size().height());

    // Blank or radio-ID names read "Radio User".
    EXPECT_EQ(message("x", {}, "q-bbbbbb").chatNickname(), QStringLiteral("Radio User"));
    EXPECT_EQ(message("x", {}, " \n ").chatNickname(), QStringLiteral("Radio User"));
    EXPECT_EQ(message("x", {}, " Bo ").chatNickname(), QStringLiteral("Bo"));

    // An empty line still has its padded bubble; a long one wraps instead of widening.
    auto empty = bubble(row(message(""), false, false, calls));
    EXPECT_GE(empty->bubbleRect().width(), 24);
    EXPECT_GE(empty->bubbleRect().height(), 16);
    auto longLine = bubble(row(message(QString(400, QLatin1Char('w'))), false, false, calls));
    EXPECT_LE(longLine->bubbleRect().width(), 360 - 48);
    EXPECT_GT(longLine->bubbleRect().height(), 100);

    // Reactions with no givers leave no chips and no room for them.
    auto noChips = bubble(row(message("x", {{"🔥", {}}}), false, false, calls));
    EXPECT_EQ(noChips->chipRect(0), QRect());
}

TEST_F(ChatBubbleTest, TextColourReadsOnTheBubble)
{
    struct Case {
        double luminance;
        QColor text;
    };
    const QList<Case> cases{
        {0.6, QColor::fromRgbF(0, 0, 0, 0.88f)},
        {0.5, ThemeContrast::readable(greyOfLuminance(0.5), false)},
        {0.3, QColor::fromRgbF(1, 1, 1, 0.96f)},
    };
    for (const Case& c : cases) {
        FacePlateTheme custom = theme.current();
        custom.chatOther = greyOfLuminance(c.luminance);
        theme.setCurrent(custom);
        auto b = bubble(row(message("x"), false, false, calls));
        EXPECT_EQ(b->textColor(), c.text) << c.luminance;
        EXPECT_NEAR(b->textColor().alphaF(), c.luminance == 0.5 ? 0.92 : c.text.alphaF(), 0.01);
    }
}
