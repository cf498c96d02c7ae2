#include "models/channel.h"
#include "models/channel_settings.h"
#include "models/chat_message.h"
#include "models/saved_channel_slot.h"
#include "models/user_profile.h"
#include "models/user_search_result.h"
#include "models/workplace_membership.h"

#include "platform/json.h"

#include <gtest/gtest.h>

#include <functional>

namespace {

template <class T>
T decode(const char* json)
{
    return T::fromJson(Json::parseObject(QByteArray(json)));
}

template <class T>
bool decodes(const char* json)
{
    try {
        decode<T>(json);
        return true;
    } catch (const DecodeError&) {
        return false;
    }
}

struct Case {
    const char* json;
    bool ok;
};

using Decoder = std::function<bool(const char*)>;

void expectTable(const Decoder& decoder, std::initializer_list<Case> cases)
{
    for (const Case& c : cases)
        EXPECT_EQ(decoder(c.json), c.ok) << c.json;
}

TEST(RecordDecoding, ChannelListRequiresItsKeysInEveryElement)
{
    expectTable(decodes<ChannelListResponse>, {
        {R"({"channels": [], "total": 0, "page": 1})", true},
        {R"({"channels": [], "total": 0})", false},
        {R"({"channels": null, "total": 0, "page": 1})", false},
        {R"({"channels": {}, "total": 0, "page": 1})", false},
        {R"({"channels": [], "total": "0", "page": 1})", false},
        {R"({"channels": [{"channel_number": 5, "display_frequency": "000.005"}], "total": 1, "page": 1})", true},
        {R"({"channels": [{"channel_number": 5, "display_frequency": "000.005"}, {"channel_number": 6}], "total": 2, "page": 1})", false},
        {R"({"channels": [{"channel_number": 5, "display_frequency": "000.005", "is_public": null}], "total": 1, "page": 1})", true},
        {R"({"channels": [{"channel_number": "5", "display_frequency": "000.005"}], "total": 1, "page": 1})", false},
        {R"({"channels": [{"channel_number": 5, "display_frequency": "000.005", "is_public": 1}], "total": 1, "page": 1})", false},
        {R"({"channels": [7], "total": 1, "page": 1})", false},
    });
    EXPECT_TRUE(decode<ChannelListResponse>(R"({"channels": [], "total": 0, "page": 1})").channels.empty());
}

TEST(RecordDecoding, ChannelTakesEveryFieldAndLeavesMissingOrNullOptionalsAbsent)
{
    const Channel full = decode<Channel>(R"({
        "channel_number": 64000, "display_frequency": "640.000", "name": "Depot", "status": "assigned",
        "is_public": false, "listed_public": true, "active_talker_count": 9007199254740993, "age_mode": "all",
        "join_policy": "open", "is_commercial": true, "company_name": "Acme", "org_id": "org-1",
        "seat_limit": 10, "seats_used": 3, "owner_radio_id": "Q-ABC123", "owner_display_name": "Ann",
        "unknown_key": [1, 2]})");
    const Channel expected{64000, "640.000", "Depot", "assigned", false, true, 9007199254740993LL, "all",
                           "open", true, "Acme", "org-1", 10, 3, "Q-ABC123", "Ann"};
    EXPECT_EQ(full, expected);

    const Channel bare = decode<Channel>(R"({"channel_number": 7, "display_frequency": "000.007", "name": null})");
    EXPECT_EQ(bare, (Channel{.channelNumber = 7, .displayFrequency = "000.007"}));
    EXPECT_FALSE(bare.name.has_value());
    EXPECT_FALSE(bare.isPublic.has_value());
}

TEST(RecordDecoding, JoinReplyDecodesTheNestedChannelStrictly)
{
    expectTable(decodes<JoinChannelResponse>, {
        {R"({"allowed": false})", true},
        {R"({"allowed": true, "channel": {"channel_number": 101, "display_frequency": "001.001"}})", true},
        {R"({"allowed": true, "channel": {"display_frequency": "001.001"}})", false},
        {R"({"allowed": true, "channel": null})", true},
        {R"({"allowed": 1})", false},
        {R"({"reason": "banned"})", false},
    });
    const JoinChannelResponse refused = decode<JoinChannelResponse>(R"({"allowed": false})");
    EXPECT_FALSE(refused.reason.has_value());
    EXPECT_FALSE(refused.channel.has_value());
}

TEST(RecordDecoding, NestedFailuresNameTheirPath)
{
    try {
        decode<ChannelListResponse>(R"({"channels": [{"channel_number": 1, "display_frequency": "x"}, {"channel_number": 2}], "total": 2, "page": 1})");
        FAIL() << "decoded";
    } catch (const DecodeError& error) {
        EXPECT_STREQ(error.what(), "channels[1].display_frequency: missing");
    }
}

TEST(RecordDecoding, CheckinNeedsOkAndUidAndAWholeWorkplace)
{
    expectTable(decodes<CheckinResponse>, {
        {R"({"ok": true, "uid": "u1"})", true},
        {R"({"ok": true})", false},
        {R"({"uid": "u1"})", false},
        {R"({"ok": "true", "uid": "u1"})", false},
        {R"({"ok": true, "uid": "u1", "owned_channel_number": "101"})", false},
        {R"({"ok": true, "uid": "u1", "workplace": null})", true},
        {R"({"ok": true, "uid": "u1", "workplace": {"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": 5}})", true},
        {R"({"ok": true, "uid": "u1", "workplace": {"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009"}})", false},
    });
    const CheckinResponse bare = decode<CheckinResponse>(R"({"ok": true, "uid": "u1", "extra": 1})");
    EXPECT_EQ(bare.uid, "u1");
    EXPECT_FALSE(bare.radioId || bare.ownedChannelNumber || bare.ownedChannelDisplay || bare.firstName
                 || bare.lastName || bare.email || bare.displayName || bare.workplace);

    const CheckinResponse full = decode<CheckinResponse>(R"({"ok": false, "uid": "u2", "radio_id": "Q-AAAAAA",
        "owned_channel_number": 9223372036854775807, "owned_channel_display": "101.000", "first_name": "A",
        "last_name": "B", "email": "a@b", "display_name": "AB"})");
    EXPECT_FALSE(full.ok);
    EXPECT_EQ(*full.ownedChannelNumber, 9223372036854775807LL);
    EXPECT_EQ(*full.displayName, "AB");
}

TEST(RecordDecoding, ChatRosterAndBans)
{
    expectTable(decodes<ChatMessage>, {
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": 1.5, "reactions": {}})", true},
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": 2, "reactions": {"👍": ["u"]}})", true},
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": 2})", false},
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": "2", "reactions": {}})", false},
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": 2, "reactions": {"👍": [1]}})", false},
        {R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": null, "text": "t", "ts": 2, "reactions": {}})", false},
    });
    const ChatMessage line = decode<ChatMessage>(
        R"({"id": "m", "uid": "u", "radio_id": "r", "display_name": "d", "text": "t", "ts": 1.5, "reactions": {"👍": ["b", "a"]}})");
    EXPECT_EQ(line.ts, 1.5);
    EXPECT_EQ(line.reactions.value("👍"), QStringList({"b", "a"}));

    expectTable(decodes<ChannelRosterMember>, {
        {R"({"uid": "u", "radio_id": "r", "display_name": "d"})", true},
        {R"({"uid": "u", "radio_id": "r"})", false},
        {R"({"uid": "u", "radio_id": 5, "display_name": "d"})", false},
    });
    expectTable(decodes<ChannelBansResponse>, {
        {R"({"bans": []})", true},
        {R"({"ok": true})", false},
        {R"({"ok": null, "error": null, "bans": [{"uid": "u", "radio_id": "r", "display_name": "d"}]})", true},
        {R"({"bans": [{"uid": "u", "radio_id": "r"}]})", false},
        {R"({"bans": [{"uid": "u", "radio_id": "r", "display_name": 3}]})", false},
        {R"({"ok": "yes", "bans": []})", false},
    });
    const ChannelBansResponse none = decode<ChannelBansResponse>(R"({"bans": []})");
    EXPECT_TRUE(none.bans.empty());
    EXPECT_FALSE(none.ok || none.error);
}

TEST(RecordDecoding, WorkplaceRecords)
{
    expectTable(decodes<WorkplaceMembership>, {
        {R"({"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": 5})", true},
        {R"({"org_id": "o", "name": "n", "channel_number": 9, "seat_limit": 5})", false},
        {R"({"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": "5"})", false},
        {R"({"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": 5, "listed_commercial": 0})", false},
        {R"({"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": 5.5})", false},
    });
    const WorkplaceMembership bare = decode<WorkplaceMembership>(
        R"({"org_id": "o", "name": "n", "channel_number": 9, "display_frequency": "000.009", "seat_limit": 5})");
    EXPECT_FALSE(bare.channelName || bare.seatsUsed || bare.listedCommercial || bare.role || bare.companyCode
                 || bare.iconId || bare.iconCustom);

    EXPECT_FALSE(decode<WorkplaceMineResponse>("{}").workplace.has_value());
    EXPECT_FALSE(decode<WorkplaceMineResponse>(R"({"workplace": null})").workplace.has_value());
    EXPECT_FALSE(decodes<WorkplaceMineResponse>(R"({"workplace": {"org_id": "o"}})"));

    const WorkplaceActionResponse refused = decode<WorkplaceActionResponse>(R"({"ok": false, "error": "seats_full"})");
    EXPECT_FALSE(refused.ok);
    EXPECT_EQ(*refused.error, "seats_full");
    EXPECT_FALSE(refused.workplace || refused.companyCode);
    EXPECT_FALSE(decodes<WorkplaceActionResponse>(R"({"error": "seats_full"})"));
}

TEST(RecordDecoding, SavedChannelRecords)
{
    expectTable(decodes<SavedChannelsResponse>, {
        {R"({"slots": []})", true},
        {R"({})", false},
        {R"({"slots": [{"id": 1, "label": "Home", "channel_number": 101}]})", true},
        {R"({"slots": [{"id": 1, "label": "Home", "channel_number": 101}, {"id": 2, "channel_number": 102}]})", false},
        {R"({"slots": [{"id": 1, "label": "Home", "channel_number": "101"}]})", false},
        {R"({"slots": [{"id": 7.5, "label": "Home", "channel_number": 101}]})", false},
    });
    const SavedChannelSlot slot = decode<SavedChannelsResponse>(R"({"slots": [{"id": 1, "label": "Home", "channel_number": 101}]})").savedSlots.at(0);
    EXPECT_EQ(slot.id, 1);
    EXPECT_FALSE(slot.displayFrequency || slot.friendRadioId || slot.friendUid || slot.iconId || slot.iconCustom);

    expectTable(decodes<SavedChannelUpdateResponse>, {
        {R"({"ok": false})", true},
        {R"({"error": "x", "slot": {"id": 1, "label": "a", "channel_number": 2}})", false},
        {R"({"ok": true, "slot": {"id": 1, "label": "a"}})", false},
    });
    const SavedChannelUpdateResponse refused = decode<SavedChannelUpdateResponse>(R"({"ok": false})");
    EXPECT_FALSE(refused.error || refused.slot);
}

TEST(RecordDecoding, ChannelSettingsRecords)
{
    const QString base = QStringLiteral(R"("channel_number": 101, "display_frequency": "001.001", "max_talkers": 2, "join_policy": "open", "is_locked": false, "has_passkey": false, "listed_public": true)");
    const auto settingsWith = [&](const char* rest) {
        return QStringLiteral("{%1%2}").arg(base, QLatin1String(rest)).toUtf8();
    };
    const auto decodesSettings = [](const QByteArray& json) {
        try {
            ChannelSettings::fromJson(Json::parseObject(json));
            return true;
        } catch (const DecodeError&) {
            return false;
        }
    };
    EXPECT_TRUE(decodesSettings(settingsWith(R"(, "allowlist": [])")));
    EXPECT_FALSE(decodesSettings(settingsWith("")));
    EXPECT_FALSE(decodesSettings(settingsWith(R"(, "allowlist": null)")));
    EXPECT_FALSE(decodesSettings(settingsWith(R"(, "allowlist": [{"label": "x"}])")));
    EXPECT_TRUE(decodesSettings(settingsWith(R"(, "allowlist": [{"radio_id": "Q-AAAAAA"}], "passkey": "secret")")));
    EXPECT_FALSE(decodesSettings(QByteArray(settingsWith(R"(, "allowlist": [])")).replace("\"is_locked\": false", "\"is_locked\": 1")));

    const ChannelSettings settings = ChannelSettings::fromJson(Json::parseObject(settingsWith(R"(, "allowlist": [{"radio_id": "Q-AAAAAA"}])")));
    EXPECT_FALSE(settings.name || settings.iconId || settings.iconCustom);
    ASSERT_EQ(settings.allowlist.size(), 1u);
    EXPECT_EQ(settings.allowlist[0].id(), "Q-AAAAAA");
    EXPECT_FALSE(settings.allowlist[0].label.has_value());

    const ChannelSettingsResponse empty = decode<ChannelSettingsResponse>("{}");
    EXPECT_FALSE(empty.ok || empty.error || empty.settings);
    EXPECT_TRUE(decodes<ChannelSettingsResponse>(R"({"ok": true, "settings": {"channel_number": 101, "display_frequency": "001.001", "max_talkers": 2, "join_policy": "open", "is_locked": false, "has_passkey": false, "listed_public": true, "allowlist": []}})"));
    EXPECT_FALSE(decodes<ChannelSettingsResponse>(R"({"ok": true, "settings": {"channel_number": 101}})"));
}

TEST(RecordDecoding, ProfileAndSearchRecords)
{
    expectTable(decodes<ProfileUpdateResponse>, {
        {R"({"ok": true})", true},
        {R"({"profile": {"uid": "u"}})", false},
        {R"({"ok": "true"})", false},
        {R"({"ok": true, "profile": {"uid": "u"}})", true},
        {R"({"ok": true, "profile": {"radio_id": "r"}})", false},
    });
    EXPECT_FALSE(decode<ProfileUpdateResponse>(R"({"ok": true})").profile.has_value());
    const UserProfile profile = *decode<ProfileUpdateResponse>(R"({"ok": true, "profile": {"uid": "u", "apple_id": "a@icloud", "extra": {}}})").profile;
    EXPECT_EQ(*profile.appleId, "a@icloud");
    EXPECT_FALSE(profile.radioId || profile.email || profile.firstName || profile.lastName || profile.displayName
                 || profile.ownedChannelNumber || profile.ownedChannelDisplay || profile.channelName);

    expectTable(decodes<UserSearchResponse>, {
        {R"({"users": []})", true},
        {R"({})", false},
        {R"({"users": [{"uid": "u"}]})", true},
        {R"({"users": [{"uid": "u"}, {"radio_id": "r"}]})", false},
        {R"({"users": [{"uid": "u", "owned_channel_number": "101"}]})", false},
        {R"({"users": [{"uid": "u", "owned_channel_number": 101}]})", true},
    });
    const UserSearchResult hit = decode<UserSearchResponse>(R"({"users": [{"uid": "u"}]})").users.at(0);
    EXPECT_EQ(hit.id(), "u");
    EXPECT_FALSE(hit.radioId || hit.displayName || hit.firstName || hit.lastName || hit.email
                 || hit.ownedChannelNumber || hit.ownedChannelDisplay);
}

}  // namespace
