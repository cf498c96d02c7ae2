#include "views/browse_lists.h"

#include <gtest/gtest.h>

namespace {

Channel channel(qint64 number, std::optional<qint64> talkers = std::nullopt)
{
    Channel c;
    c.channelNumber = number;
    c.displayFrequency = QStringLiteral("%1.%2")
                             .arg((number - 1) / 320 + 1, 3, 10, QLatin1Char('0'))
                             .arg((number - 1) % 320 + 1, 3, 10, QLatin1Char('0'));
    c.activeTalkerCount = talkers;
    return c;
}

std::vector<qint64> numbers(const std::vector<Channel>& list)
{
    std::vector<qint64> out;
    for (const Channel& c : list)
        out.push_back(c.channelNumber);
    return out;
}

WorkplaceMembership membership(qint64 channelNumber)
{
    WorkplaceMembership m;
    m.orgId = QStringLiteral("org-1");
    m.name = QStringLiteral("Acme Security");
    m.channelNumber = channelNumber;
    m.displayFrequency = QStringLiteral("026.001");
    m.seatLimit = 5;
    return m;
}

}  // namespace

TEST(BrowseTabs, OrderRawValuesAndParsing)
{
    QStringList raw;
    for (BrowseTab tab : allCases<BrowseTab>())
        raw << rawValue(tab);
    EXPECT_EQ(raw, QStringList({"Public", "Users", "Commercial", "Company"}));
    EXPECT_EQ(fromRawValue<BrowseTab>("Users"), BrowseTab::userChannels);
    EXPECT_EQ(fromRawValue<BrowseTab>("users"), std::nullopt);
}

TEST(BrowseLists, PublicListKeepsLiveHomeAndLivePublicUserChannels)
{
    Channel home100 = channel(100, 1);
    Channel user101 = channel(101, 1);
    Channel public101Idle = channel(101, 0);
    public101Idle.isPublic = true;
    Channel public101Absent = channel(102);
    public101Absent.isPublic = true;
    Channel public150 = channel(150, 3);
    public150.isPublic = true;
    Channel homeIdle = channel(5);
    const auto list = BrowseLists::publicChannels({home100, user101, public101Idle, public101Absent, public150, homeIdle}, {});
    EXPECT_EQ(numbers(list), (std::vector<qint64>{100, 150}));
}

TEST(BrowseLists, UsersListKeepsListedNonCommercialUserChannelsAndPutsOwnFirst)
{
    Channel listed = channel(400);
    listed.listedPublic = true;
    Channel listedCommercial = channel(401);
    listedCommercial.listedPublic = true;
    listedCommercial.isCommercial = true;
    Channel listedHome = channel(100);
    listedHome.listedPublic = true;
    BrowseContext context;
    EXPECT_EQ(numbers(BrowseLists::userChannels({listed, listedCommercial, listedHome}, {}, context)),
              (std::vector<qint64>{400}));

    // The own channel missing from the server's list is built and put first.
    context.ownedChannelNumber = 5000;
    const auto withMine = BrowseLists::userChannels({listed}, {}, context);
    ASSERT_EQ(numbers(withMine), (std::vector<qint64>{5000, 400}));
    EXPECT_EQ(withMine[0].name, "My Channel");
    EXPECT_EQ(withMine[0].status, "assigned");
    EXPECT_EQ(withMine[0].displayFrequency, "016.200");

    // Listed by the server: it stays where it is.
    Channel mineListed = channel(5000);
    mineListed.listedPublic = true;
    EXPECT_EQ(numbers(BrowseLists::userChannels({listed, mineListed}, {}, context)), (std::vector<qint64>{400, 5000}));
    // Present but not listed: the server's entry goes first instead of a built one.
    Channel mineUnlisted = channel(5000);
    mineUnlisted.name = QStringLiteral("Server name");
    const auto serverEntry = BrowseLists::userChannels({listed, mineUnlisted}, {}, context);
    ASSERT_EQ(numbers(serverEntry), (std::vector<qint64>{5000, 400}));
    EXPECT_EQ(serverEntry[0].name, "Server name");
}

TEST(BrowseLists, BuiltOwnChannel)
{
    BrowseContext context;
    context.ownedChannelNumber = 5000;
    context.ownedChannelDisplay = QStringLiteral("016.200");
    context.displayName = QStringLiteral("Sam");
    context.radioId = QStringLiteral("Q-ABC123");
    context.chatDisplayName = QStringLiteral("Sam");
    const auto mine = BrowseLists::myChannel({}, context);
    ASSERT_TRUE(mine);
    EXPECT_EQ(mine->name, "Sam");
    EXPECT_EQ(mine->isPublic, false);
    EXPECT_EQ(mine->listedPublic, std::nullopt);
    EXPECT_EQ(mine->ownerRadioId, "Q-ABC123");
    EXPECT_EQ(mine->ownerDisplayName, "Sam");

    const struct {
        qint64 n;
        const char* display;
    } frequencies[] = {{1, "001.001"}, {320, "001.320"}, {321, "002.001"}, {64000, "200.320"}};
    for (const auto& row : frequencies) {
        BrowseContext bare;
        bare.ownedChannelNumber = row.n;
        EXPECT_EQ(BrowseLists::myChannel({}, bare)->displayFrequency, row.display) << row.n;
    }
    EXPECT_FALSE(BrowseLists::myChannel({channel(5000)}, BrowseContext{}));
}

TEST(BrowseLists, CommercialListNeedsSomeoneOnAir)
{
    Channel live = channel(8001, 2);
    Channel idle = channel(8002);
    EXPECT_EQ(numbers(BrowseLists::commercialList({live, idle}, {})), (std::vector<qint64>{8001}));
}

TEST(BrowseLists, CompanyChannelFromListOrBuiltFromMembership)
{
    BrowseContext context;
    EXPECT_FALSE(BrowseLists::companyChannel({}, context));
    context.membership = membership(8001);
    Channel listed = channel(8001);
    listed.name = QStringLiteral("Listed");
    EXPECT_EQ(BrowseLists::companyChannel({listed}, context)->name, "Listed");

    const auto built = BrowseLists::companyChannel({}, context);
    ASSERT_TRUE(built);
    EXPECT_EQ(built->name, "Acme Security");
    EXPECT_EQ(built->joinPolicy, "workplace");
    EXPECT_EQ(built->isCommercial, true);
    EXPECT_EQ(built->companyName, "Acme Security");
    EXPECT_EQ(built->displayFrequency, "026.001");
    EXPECT_EQ(built->seatLimit, 5);
    EXPECT_EQ(built->seatsUsed, std::nullopt);
    EXPECT_EQ(built->ownerDisplayName, "Acme Security");
    EXPECT_EQ(built->ownerRadioId, std::nullopt);

    // A channel name, even empty, wins over the company name.
    context.membership->channelName = QString();
    EXPECT_EQ(BrowseLists::companyChannel({}, context)->name, "");
}

TEST(BrowseLists, QueryTrimsLowersAndMatchesFrequencyTitleOrCompany)
{
    Channel street = channel(400);
    street.name = QStringLiteral("Main Street");
    Channel company = channel(401);
    company.name = QStringLiteral("Front desk");
    company.companyName = QStringLiteral("Mainline Corp");
    Channel other = channel(402);
    other.name = QStringLiteral("Elsewhere");
    Channel unnamed = channel(403);
    unnamed.name = QString();
    const QString query = QStringLiteral("  Main ");
    EXPECT_TRUE(BrowseLists::matchesQuery(street, query));
    EXPECT_TRUE(BrowseLists::matchesQuery(company, query));
    EXPECT_FALSE(BrowseLists::matchesQuery(other, query));
    EXPECT_TRUE(BrowseLists::matchesQuery(unnamed, QStringLiteral("002.08")));
    // White space alone matches everything.
    EXPECT_TRUE(BrowseLists::matchesQuery(other, QStringLiteral("  ")));

    // "001.0" is applied on every list tab.
    Channel a = channel(5, 1);
    Channel b = channel(400, 1);
    b.listedPublic = true;
    b.isPublic = true;
    EXPECT_EQ(numbers(BrowseLists::publicChannels({a, b}, "001.0")), (std::vector<qint64>{5}));
    EXPECT_EQ(numbers(BrowseLists::userChannels({a, b}, "001.0", {})), (std::vector<qint64>{}));
    EXPECT_EQ(numbers(BrowseLists::commercialList({a, b}, "001.0")), (std::vector<qint64>{5}));
    EXPECT_EQ(numbers(BrowseLists::commercialList({a, b}, " ")), (std::vector<qint64>{5, 400}));
}

TEST(BrowseLists, LiveUserCountPrefersTheLiveServiceOnTheTunedChannel)
{
    const Channel c = channel(350, 2);
    BrowseContext context;
    context.tunedChannel = 350;
    context.liveListenerCount = 7;
    EXPECT_EQ(BrowseLists::liveUserCount(c, context), 2);  // not live
    context.connectedAndLive = true;
    EXPECT_EQ(BrowseLists::liveUserCount(c, context), 7);
    context.tunedChannel = 351;
    EXPECT_EQ(BrowseLists::liveUserCount(c, context), 2);
    EXPECT_EQ(BrowseLists::liveUserCount(channel(351), context), 7);
    EXPECT_EQ(BrowseLists::liveUserCount(channel(352), context), 0);
}

TEST(BrowseLists, TitleAndCompanyGate)
{
    Channel c = channel(150);
    EXPECT_EQ(BrowseLists::channelTitle(c), "001.150");
    c.name = QString();
    EXPECT_EQ(BrowseLists::channelTitle(c), "001.150");
    c.name = QStringLiteral("Name");
    EXPECT_EQ(BrowseLists::channelTitle(c), "Name");
    c.companyName = QString();
    EXPECT_EQ(BrowseLists::channelTitle(c), "");
    c.companyName = QStringLiteral("Acme");
    EXPECT_EQ(BrowseLists::channelTitle(c), "Acme");

    Channel commercial = channel(8001);
    commercial.isCommercial = true;
    Channel workplace = channel(8002);
    workplace.joinPolicy = QStringLiteral("workplace");
    Channel passkey = channel(400);
    passkey.isCommercial = false;
    passkey.joinPolicy = QStringLiteral("passkey");
    BrowseContext none;
    EXPECT_FALSE(BrowseLists::canJoinCompanyChannel(commercial, none));
    EXPECT_FALSE(BrowseLists::canJoinCompanyChannel(workplace, none));
    EXPECT_TRUE(BrowseLists::canJoinCompanyChannel(passkey, none));
    BrowseContext member;
    member.membership = membership(8001);
    EXPECT_TRUE(BrowseLists::canJoinCompanyChannel(commercial, member));
    EXPECT_FALSE(BrowseLists::canJoinCompanyChannel(workplace, member));
}

TEST(BrowseLists, BadgesTable)
{
    auto make = [](qint64 n, std::optional<bool> commercial, std::optional<bool> isPublic, std::optional<bool> listed,
                   std::optional<QString> policy) {
        Channel c = channel(n);
        c.isCommercial = commercial;
        c.isPublic = isPublic;
        c.listedPublic = listed;
        c.joinPolicy = policy;
        return c;
    };
    BrowseContext context;
    context.ownedChannelNumber = 777;
    const struct {
        Channel channel;
        QStringList texts;
    } rows[] = {
        {make(777, true, {}, {}, "passkey"), {"Commercial"}},
        {make(777, {}, {}, {}, "open"), {"Mine"}},
        {make(50, {}, {}, {}, "passkey"), {"Home"}},
        {make(150, {}, true, true, {}), {"Home"}},
        {make(150, {}, {}, true, {}), {"Listed"}},
        {make(150, {}, {}, {}, "allowlist"), {"Allowlist"}},
        {make(150, {}, {}, {}, "open"), {}},
        {make(150, {}, {}, {}, "Open"), {"Open"}},
        {make(150, false, {}, {}, "workplace"), {"Workplace"}},
        {make(150, {}, {}, {}, "PASSKEY only"), {"Passkey Only"}},
    };
    for (const auto& row : rows) {
        QStringList texts;
        for (const BrowseBadge& badge : BrowseLists::badges(row.channel, context))
            texts << badge.text;
        EXPECT_EQ(texts, row.texts) << row.channel.channelNumber;
    }
    const auto mine = BrowseLists::badges(make(777, {}, {}, {}, "passkey"), context);
    ASSERT_EQ(mine.size(), 2u);
    EXPECT_EQ(mine[0].tint, BrowseBadge::Tint::accent);
    EXPECT_EQ(mine[1].tint, BrowseBadge::Tint::purple);
}

TEST(BrowseLists, QuickAddIcon)
{
    Channel both = channel(8001);
    both.isCommercial = true;
    both.isPublic = true;
    EXPECT_EQ(BrowseLists::quickAddIconId(both), "company");
    Channel pub = channel(5);
    pub.isPublic = true;
    EXPECT_EQ(BrowseLists::quickAddIconId(pub), "public");
    EXPECT_EQ(BrowseLists::quickAddIconId(channel(5)), "radio");
}
