#include "browse_fixture.h"

#include "theme/face_plate_theme_catalog.h"
#include "theme/system_colors.h"
#include "theme/theme_contrast.h"
#include "views/channel_user_count_badge.h"

#include <QLabel>
#include <QPushButton>

namespace {

WorkplaceMembership acme(std::optional<QString> role, std::optional<qint64> seatsUsed)
{
    WorkplaceMembership m;
    m.orgId = "org-1";
    m.name = "Acme Security";
    m.channelNumber = 8001;
    m.displayFrequency = "026.001";
    m.seatLimit = 5;
    m.seatsUsed = seatsUsed;
    m.role = role;
    return m;
}

}  // namespace

TEST(ChannelUserCountBadgeTest, TextSymbolAndColours)
{
    const QColor accent("#FF9500");
    const QColor surface = Qt::white;
    const struct {
        qint64 count;
        const char* text;
        const char* symbol;
    } rows[] = {{0, "0 users", "person.2"}, {1, "1 user", "person.2.fill"}, {2, "2 users", "person.2.fill"},
                {7, "7 users", "person.2.fill"}, {-1, "-1 users", "person.2"}};
    for (const auto& row : rows) {
        EXPECT_EQ(ChannelUserCountBadge::text(row.count), row.text);
        EXPECT_EQ(ChannelUserCountBadge::symbolName(row.count), row.symbol);
    }
    EXPECT_EQ(ChannelUserCountBadge::fillColour(2, accent, surface), ThemeContrast::blend(accent, surface, 0.68));
    EXPECT_EQ(ChannelUserCountBadge::fillColour(0, accent, surface),
              ThemeContrast::blend(systemColor(SystemColor::SecondaryLabel), surface, 0.68));
    const QColor zeroFill = ChannelUserCountBadge::fillColour(0, accent, surface);
    EXPECT_EQ(ChannelUserCountBadge::textColour(0, accent, surface), ThemeContrast::readable(zeroFill, true));
    const QColor negativeFill = ChannelUserCountBadge::fillColour(-1, accent, surface);
    EXPECT_EQ(ChannelUserCountBadge::textColour(-1, accent, surface), ThemeContrast::readable(negativeFill, false));
}

TEST_F(BrowseScreenTest, CompanyCardShowsSeatsAndTheAdminMarkOnlyForAdmin)
{
    const struct {
        std::optional<QString> role;
        std::optional<qint64> seatsUsed;
        const char* seats;
        QStringList pills;
    } rows[] = {
        {"admin", 3, "3/5 users", {"Admin"}},
        {"Admin", 3, "3/5 users", {}},
        {"member", {}, "0/5 users", {}},
        {std::nullopt, {}, "0/5 users", {}},
    };
    for (const auto& row : rows) {
        CompanyBrowseCard card(theme.get(), acme(row.role, row.seatsUsed), 1);
        EXPECT_EQ(card.content().detail, row.seats);
        EXPECT_EQ(card.pillTexts(), row.pills);
        EXPECT_EQ(card.joinButton()->text(), "Join company channel");
        EXPECT_EQ(card.badge()->count(), 1);
        const QSignalSpy joins(&card, &BrowseCard::joinRequested);
        card.joinButton()->click();
        EXPECT_EQ(joins.count(), 1);
    }
    // Readable on a light and on a dark face plate.
    for (const FacePlateTheme& plate :
         {FacePlateThemeCatalog::extended().front(), FacePlateThemeCatalog::extended().back()}) {
        theme->setCurrent(plate);
        CompanyBrowseCard card(theme.get(), acme("admin", 2), 0);
        card.resize(370, 170);
        saveArtifact(card, "company_card_" + plate.id);
    }
}

TEST_F(BrowseScreenTest, MyChannelCardHidesAnEmptyRadioIdAndMarksAListedChannel)
{
    Channel mine;
    mine.channelNumber = 5000;
    mine.displayFrequency = "016.200";
    mine.name = QString();
    MyChannelBrowseCard plain(theme.get(), mine, 0, QString());
    EXPECT_EQ(plain.content().title, "016.200");
    EXPECT_TRUE(plain.content().detail.isEmpty());
    EXPECT_TRUE(plain.pillTexts().isEmpty());
    mine.listedPublic = true;
    mine.name = "Sam's room";
    MyChannelBrowseCard listed(theme.get(), mine, 2, "Q-ABC123");
    EXPECT_EQ(listed.content().title, "Sam's room");
    EXPECT_EQ(listed.content().detail, "Q-ABC123");
    const QLabel* radioId = nullptr;
    for (const QLabel* label : listed.findChildren<QLabel*>())
        if (label->text() == "Q-ABC123")
            radioId = label;
    ASSERT_TRUE(radioId);
    EXPECT_EQ(radioId->font().families().value(0), "JetBrains Mono");
    EXPECT_EQ(listed.pillTexts(), QStringList({"Listed public"}));
    EXPECT_EQ(listed.joinButton()->text(), "Join my channel");
}

TEST_F(BrowseScreenTest, TheCompanyStoresMembershipOutranksTheCheckinsForTheGate)
{
    ScriptedResponder responder;
    const QJsonArray commercial{channelJson(8001, "026.001",
                                            {{"company_name", "Acme Security"}, {"is_commercial", true},
                                             {"active_talker_count", 1}})};
    // The membership load fails, so the stores keep what the test gives them.
    responder.script({listReply({}), listReply(commercial), failure()});
    responder.baseURL();
    makeView();
    load();
    selectTab(BrowseTab::commercial);
    session->setWorkplace(acme("member", 1));
    ASSERT_TRUE(row(8001));
    EXPECT_TRUE(row(8001)->content().allowed);
    // The check-in's membership still names this channel, the store's another one.
    WorkplaceMembership other = acme("member", 1);
    other.channelNumber = 9000;
    workplace->setMembership(other);
    ASSERT_TRUE(row(8001));
    EXPECT_FALSE(row(8001)->content().allowed);
    EXPECT_TRUE(row(8001)->menuActions().isEmpty());
    row(8001)->click();
    EXPECT_TRUE(view->state().showCompanyJoinBlocked);
    // The company card shows the store's membership, with the built channel's count.
    selectTab(BrowseTab::company);
    auto* card = qobject_cast<CompanyBrowseCard*>(view->card());
    ASSERT_TRUE(card);
    EXPECT_EQ(card->content().frequency, "026.001");
    EXPECT_EQ(card->badge()->count(), 0);
}
