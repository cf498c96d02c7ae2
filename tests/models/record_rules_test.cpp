#include "models/channel.h"
#include "models/chat_message.h"
#include "models/company_code_format.h"
#include "models/sfx_kind.h"
#include "models/workplace_membership.h"
#include "platform/text_characters.h"

#include <QSet>

#include <gtest/gtest.h>

namespace {

TEST(RecordRules, ChatNickname)
{
    struct Case {
        QString displayName;
        QString radioId;
        QString expected;
    };
    const Case cases[] = {
        {"", "Q-ABC123", "Radio User"},
        {" \n\t ", "Q-ABC123", "Radio User"},
        {"  Ann \n", "Q-ABC123", "Ann"},
        {"q-abc123", "Q-ABC123", "Radio User"},
        {"  Q-ABC123  ", "Q-ABC123", "Radio User"},
        {"Ann", "", "Ann"},
        {QString::fromUtf8("\u2003Ann\u2028"), "Q-ABC123", "Ann"},
        {"Q-ABC1234", "Q-ABC123", "Q-ABC1234"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(chatNickname(c.displayName, c.radioId), c.expected) << c.displayName.toStdString();
        EXPECT_EQ((ChannelRosterMember{"u", c.radioId, c.displayName}.chatNickname()), c.expected);
        EXPECT_EQ((ChannelBanEntry{"u", c.radioId, c.displayName}.chatNickname()), c.expected);
        EXPECT_EQ((ChatMessage{"m", "u", c.radioId, c.displayName, "t", 0, {}}.chatNickname()), c.expected);
    }
}

TEST(RecordRules, CompanyCodeNormalize)
{
    struct Case {
        QString input;
        QString expected;
    };
    const Case cases[] = {
        {"ab-12 cd", "AB12CD"},
        {"  x y  ", "XY"},
        {"abcdefghijklmnopqrst", "ABCDEFGHIJKLMNOP"},
        {"--!?.,;", ""},
        {"", ""},
        {QString::fromUtf8("straße1"), "STRASSE1"},
        {QString::fromUtf8("çé½٣😀"), QString::fromUtf8("ÇÉ½٣")},
        {QString::fromUtf8("e\u0301x"), QString::fromUtf8("E\u0301X")},
        {QString::fromUtf8("ßßßßßßßßß"), "SSSSSSSSSSSSSSSS"},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CompanyCodeFormat::normalize(c.input), c.expected) << c.input.toStdString();

    EXPECT_EQ(TextCharacters::count(QString::fromUtf8("E\u0301X")), 2);
    EXPECT_EQ(TextCharacters::count(CompanyCodeFormat::normalize(QString::fromUtf8("😀a\u0301bc"))), 3);
}

TEST(RecordRules, SeatsLabel)
{
    WorkplaceMembership m{.orgId = "o", .name = "n", .channelNumber = 9, .displayFrequency = "000.009", .seatLimit = 5, .seatsUsed = 3};
    EXPECT_EQ(m.seatsLabel(), "3/5 users");
    m.seatLimit = 10;
    m.seatsUsed.reset();
    EXPECT_EQ(m.seatsLabel(), "0/10 users");
}

TEST(RecordRules, AdminIsTheExactRoleOnly)
{
    WorkplaceMembership m{.orgId = "o", .name = "n", .channelNumber = 9, .displayFrequency = "f", .seatLimit = 5};
    EXPECT_FALSE(m.isAdmin());
    m.role = "Admin";
    EXPECT_FALSE(m.isAdmin());
    m.role = "admin";
    EXPECT_TRUE(m.isAdmin());
}

TEST(RecordRules, ChannelIdentityEqualityAndHash)
{
    const Channel a{.channelNumber = 5, .displayFrequency = "000.005", .activeTalkerCount = 1};
    Channel b = a;
    b.activeTalkerCount = 2;
    EXPECT_EQ(a.id(), b.id());
    EXPECT_NE(a, b);

    Channel c = a;
    EXPECT_EQ(a, c);
    EXPECT_EQ(qHash(a), qHash(c));

    // An absent field differs from a present empty one, in equality and hash.
    Channel withEmptyName = a;
    withEmptyName.name = QString();
    EXPECT_NE(a, withEmptyName);
    EXPECT_NE(qHash(a), qHash(withEmptyName));

    const QSet<Channel> set{a, b, c};
    EXPECT_EQ(set.size(), 2);
}

TEST(RecordRules, PersonRecordsAndMembershipsCompareEveryField)
{
    const ChatMessage m1{"m", "u", "r", "d", "t", 1.0, {{"👍", {"a"}}}};
    ChatMessage m2 = m1;
    m2.reactions["👍"] = QStringList{"a", "b"};
    EXPECT_EQ(m1.id, m2.id);
    EXPECT_NE(m1, m2);

    const ChannelRosterMember r1{"u", "r", "d"};
    EXPECT_EQ(r1, (ChannelRosterMember{"u", "r", "d"}));
    EXPECT_EQ(qHash(r1), qHash(ChannelRosterMember{"u", "r", "d"}));
    EXPECT_NE(r1, (ChannelRosterMember{"u", "r", "e"}));
    EXPECT_EQ(r1.id(), "u");
    EXPECT_EQ(qHash(ChannelBanEntry{"u", "r", "d"}), qHash(ChannelBanEntry{"u", "r", "d"}));

    WorkplaceMembership w1{.orgId = "o", .name = "n", .channelNumber = 9, .displayFrequency = "f", .seatLimit = 5, .iconCustom = "a"};
    WorkplaceMembership w2 = w1;
    EXPECT_EQ(qHash(w1), qHash(w2));
    w2.iconCustom = "b";
    EXPECT_NE(w1, w2);
}

TEST(RecordRules, SFXKindRawValues)
{
    EXPECT_EQ(allCases<SFXKind>(), (std::array{SFXKind::rxOpen, SFXKind::callTone, SFXKind::pttEnd}));
    EXPECT_EQ(rawValue(SFXKind::rxOpen), "rx_open");
    EXPECT_EQ(rawValue(SFXKind::callTone), "call_tone");
    EXPECT_EQ(rawValue(SFXKind::pttEnd), "ptt_end");
    for (SFXKind kind : allCases<SFXKind>()) {
        EXPECT_EQ(fromRawValue<SFXKind>(rawValue(kind)), kind);
        EXPECT_EQ(qHash(kind, 7), qHash(rawValue(kind), 7));
    }
    for (const char* other : {"Call_tone", "CALL_TONE", "call tone", "", " call_tone", "call_tone "})
        EXPECT_FALSE(fromRawValue<SFXKind>(other).has_value()) << other;
}

}  // namespace
