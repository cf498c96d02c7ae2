// Every REST operation over a real loopback connection to the devserver.
#include "platform/audio_decoder.h"
#include "platform/errors.h"
#include "platform/http_session.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/devserver_process.h"

#include <QFile>
#include <QJsonArray>
#include <QRegularExpression>

#include <gtest/gtest.h>

using namespace std::chrono_literals;
using Kind = TovrinAPIError::Kind;

namespace {

class TovrinAPIDevServer : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(server.start()); }

    // Checks a user in and returns the reply.
    CheckinResponse checkin(const QString& uid, const QString& email = {}, const QString& first = {},
                            const QString& last = {})
    {
        auto outcome = runTask(api.checkin(uid, email, first, last));
        EXPECT_TRUE(outcome.ok()) << uid.toStdString();
        return outcome.value.value_or(CheckinResponse{});
    }

    qint64 ownChannel(const QString& uid) { return checkin(uid).ownedChannelNumber.value_or(0); }

    // Why a join was refused ("" when allowed).
    QString refusal(const QString& uid, qint64 channel, std::optional<QString> passkey = std::nullopt)
    {
        const auto outcome = runTask(api.joinChannel(uid, channel, passkey));
        EXPECT_TRUE(outcome.ok());
        if (!outcome.ok())
            return QStringLiteral("<failed>");
        EXPECT_EQ(outcome.value->allowed, !outcome.value->reason.has_value());
        return outcome.value->reason.value_or(QString());
    }

    std::optional<Kind> apiErrorOf(std::exception_ptr error)
    {
        try {
            if (error)
                std::rethrow_exception(error);
        } catch (const TovrinAPIError& e) {
            lastServerText = e.serverText();
            return e.kind();
        } catch (...) {
        }
        return std::nullopt;
    }

    DevServerProcess server;
    TovrinAPI& api = TovrinAPI::shared();
    QString lastServerText;
};

TEST_F(TovrinAPIDevServer, HealthAndUnknownPaths)
{
    const auto health = runTask(api.healthOK());
    ASSERT_TRUE(health.ok());
    EXPECT_TRUE(*health.value);

    HttpSession session({5s, 5s});
    for (const char* path : {"/v1/nothing", "/v1/channels/commercial/x", "/v1/sfx/unknown"}) {
        const auto reply = runTask(session.send(QNetworkRequest(QUrl(server.baseURL().toString() + path)), "GET"));
        ASSERT_TRUE(reply.ok());
        EXPECT_EQ(reply.value->status, 404) << path;
    }
}

TEST_F(TovrinAPIDevServer, CheckinAssignsARadioIdAndAStableOwnChannel)
{
    const CheckinResponse first = checkin("device-1", "ann@example.com", "Ann", "");
    EXPECT_TRUE(first.ok);
    EXPECT_EQ(first.uid, "device-1");
    ASSERT_TRUE(first.radioId.has_value());
    EXPECT_TRUE(QRegularExpression("^Q-[A-Z0-9]{6}$").match(*first.radioId).hasMatch()) << first.radioId->toStdString();
    ASSERT_TRUE(first.ownedChannelNumber.has_value());
    EXPECT_GE(*first.ownedChannelNumber, 101);
    EXPECT_LE(*first.ownedChannelNumber, 64000);
    EXPECT_EQ(first.firstName, "Ann");
    EXPECT_EQ(first.email, "ann@example.com");
    EXPECT_FALSE(first.workplace.has_value());

    const CheckinResponse again = checkin("device-1");
    EXPECT_EQ(again.radioId, first.radioId);
    EXPECT_EQ(again.ownedChannelNumber, first.ownedChannelNumber);
    EXPECT_EQ(again.ownedChannelDisplay, first.ownedChannelDisplay);
    EXPECT_NE(checkin("device-2").ownedChannelNumber, first.ownedChannelNumber);
}

TEST_F(TovrinAPIDevServer, ProfileUpdateReturnsTheStoredProfile)
{
    checkin("p1", "p@x", "Pat", "Doe");
    const auto outcome =
        runTask(api.updateProfile("p1", {.email = "", .lastName = "Lane", .appleId = "pat@icloud", .displayName = "Patty"}));
    ASSERT_TRUE(outcome.ok());
    const UserProfile& profile = *outcome.value;
    EXPECT_EQ(profile.uid, "p1");
    EXPECT_EQ(profile.email, "p@x");  // an empty field is not sent, so not cleared
    EXPECT_EQ(profile.firstName, "Pat");
    EXPECT_EQ(profile.lastName, "Lane");
    EXPECT_EQ(profile.appleId, "pat@icloud");
    EXPECT_EQ(profile.displayName, "Patty");
    EXPECT_TRUE(profile.radioId.has_value());
    EXPECT_TRUE(profile.ownedChannelNumber.has_value());
}

TEST_F(TovrinAPIDevServer, ChannelListsPageAndSearch)
{
    const auto firstPage = runTask(api.fetchChannels("", 1));
    ASSERT_TRUE(firstPage.ok());
    EXPECT_EQ(firstPage.value->page, 1);
    EXPECT_EQ(firstPage.value->channels.size(), 40u);
    EXPECT_GE(firstPage.value->total, 100);
    EXPECT_EQ(firstPage.value->channels.front().isPublic, true);

    const auto found = runTask(api.fetchChannels("001.042", 1));
    ASSERT_TRUE(found.ok());
    ASSERT_FALSE(found.value->channels.empty());
    EXPECT_EQ(found.value->channels.front().channelNumber, 42);
    EXPECT_EQ(found.value->channels.front().displayFrequency, "001.042");

    const auto none = runTask(api.fetchCommercialChannels("", 1));
    ASSERT_TRUE(none.ok());
    EXPECT_TRUE(none.value->channels.empty());

    checkin("boss");
    const auto created = runTask(api.createWorkplace("boss", "Acme Freight", 5));
    ASSERT_TRUE(created.ok());
    const auto commercial = runTask(api.fetchCommercialChannels("acme", 1));
    ASSERT_TRUE(commercial.ok());
    ASSERT_EQ(commercial.value->channels.size(), 1u);
    EXPECT_EQ(commercial.value->channels.front().isCommercial, true);
    EXPECT_EQ(commercial.value->channels.front().companyName, "Acme Freight");
}

TEST_F(TovrinAPIDevServer, JoinFollowsTheChannelsSettings)
{
    const qint64 owned = ownChannel("owner");
    const CheckinResponse guest = checkin("guest");
    const CheckinResponse friendUser = checkin("friend");

    qint64 unheld = 150;
    while (unheld == owned || unheld == guest.ownedChannelNumber || unheld == friendUser.ownedChannelNumber)
        ++unheld;

    EXPECT_EQ(refusal("guest", 7), "");
    EXPECT_EQ(refusal("guest", owned), "");
    EXPECT_EQ(refusal("guest", 64001), "not_found");
    EXPECT_EQ(refusal("guest", 0), "not_found");
    EXPECT_EQ(refusal("guest", unheld), "not_active");

    const auto joined = runTask(api.joinChannel("guest", 7, std::nullopt));
    ASSERT_TRUE(joined.ok());
    ASSERT_TRUE(joined.value->channel.has_value());
    EXPECT_EQ(joined.value->channel->channelNumber, 7);

    // Passkey.
    const auto settings = runTask(api.updateChannelSettings(
        "owner", owned, {{"name", "Den"}, {"max_talkers", 3}, {"join_policy", "passkey"}, {"is_locked", false},
                         {"listed_public", true}, {"icon_id", "star"}, {"passkey", "s3 cret"}}));
    ASSERT_TRUE(settings.ok());
    EXPECT_EQ(settings.value->name, "Den");
    EXPECT_EQ(settings.value->maxTalkers, 3);
    EXPECT_TRUE(settings.value->hasPasskey);
    EXPECT_EQ(refusal("guest", owned), "passkey_required");
    EXPECT_EQ(refusal("guest", owned, "wrong"), "passkey_required");
    EXPECT_EQ(refusal("guest", owned, "s3 cret"), "");
    EXPECT_EQ(refusal("owner", owned), "");

    // Allow list: entries are upper-cased, so a typed lower-case ID still matches.
    const auto allowlist = runTask(api.updateChannelSettings(
        "owner", owned, {{"join_policy", "allowlist"}, {"allow_add", QJsonArray{friendUser.radioId->toLower()}}}));
    ASSERT_TRUE(allowlist.ok());
    ASSERT_EQ(allowlist.value->allowlist.size(), 1u);
    EXPECT_EQ(allowlist.value->allowlist.front().radioId, *friendUser.radioId);
    EXPECT_EQ(refusal("guest", owned), "not_allowed");
    EXPECT_EQ(refusal("friend", owned), "");

    // Ban and unban.
    EXPECT_EQ(runVoidTask(api.banFromChannel("owner", owned, "friend")), nullptr);
    EXPECT_EQ(refusal("friend", owned), "banned");
    const auto bans = runTask(api.fetchChannelBans("owner", owned));
    ASSERT_TRUE(bans.ok());
    ASSERT_EQ(bans.value->size(), 1u);
    EXPECT_EQ(bans.value->front().uid, "friend");
    EXPECT_EQ(bans.value->front().radioId, *friendUser.radioId);
    EXPECT_EQ(runVoidTask(api.unbanFromChannel("owner", owned, "friend")), nullptr);
    EXPECT_EQ(refusal("friend", owned), "");
    const auto noBans = runTask(api.fetchChannelBans("owner", owned));
    ASSERT_TRUE(noBans.ok());
    EXPECT_TRUE(noBans.value->empty());

    // The lock keeps everyone but the owner out.
    ASSERT_TRUE(runTask(api.updateChannelSettings("owner", owned, {{"is_locked", true}})).ok());
    EXPECT_EQ(refusal("friend", owned), "not_allowed");
    EXPECT_EQ(refusal("owner", owned), "");
    ASSERT_TRUE(runTask(api.updateChannelSettings("owner", owned, {{"is_locked", false}})).ok());

    // Only the owner administers the channel.
    EXPECT_EQ(apiErrorOf(runVoidTask(api.banFromChannel("guest", owned, "friend"))), Kind::server);
    EXPECT_EQ(lastServerText, "not_owner");
    const auto notMine = runTask(api.updateChannelSettings("guest", owned, {{"name", "Mine"}}));
    EXPECT_EQ(apiErrorOf(notMine.error), Kind::badResponse);

    // Company channels are for employees.
    checkin("boss");
    const auto company = runTask(api.createWorkplace("boss", "Acme", 5));
    ASSERT_TRUE(company.ok());
    ASSERT_TRUE(company.value->workplace.has_value());
    EXPECT_EQ(refusal("guest", company.value->workplace->channelNumber), "workplace_required");
    EXPECT_EQ(refusal("boss", company.value->workplace->channelNumber), "");
}

TEST_F(TovrinAPIDevServer, ChannelSettingsReadBack)
{
    const qint64 owned = ownChannel("owner");
    const auto initial = runTask(api.fetchChannelSettings("owner", owned));
    ASSERT_TRUE(initial.ok());
    EXPECT_EQ(initial.value->channelNumber, owned);
    EXPECT_EQ(initial.value->joinPolicy, "open");
    EXPECT_FALSE(initial.value->hasPasskey);

    ASSERT_TRUE(runTask(api.updateChannelSettings("owner", owned, {{"icon_id", "custom"}, {"icon_custom", "aGk="}})).ok());
    const auto after = runTask(api.fetchChannelSettings("owner", owned));
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(after.value->iconId, "custom");
    EXPECT_EQ(after.value->iconCustom, "aGk=");

    // Someone else's channel: the devserver refuses with 403.
    EXPECT_EQ(apiErrorOf(runTask(api.fetchChannelSettings("guest", owned)).error), Kind::badResponse);
}

TEST_F(TovrinAPIDevServer, SavedChannelsAddUpdateRemove)
{
    const qint64 friendChannel = ownChannel("pal");
    checkin("me");
    EXPECT_EQ(runVoidTask(api.addSavedChannel("me", "Home five", 5, "star")), nullptr);
    EXPECT_EQ(runVoidTask(api.addSavedChannel("me", "Pal", friendChannel, "friend", std::nullopt, "Q-PALPAL", "pal")),
              nullptr);

    const auto saved = runTask(api.fetchSavedChannels("me"));
    ASSERT_TRUE(saved.ok());
    ASSERT_EQ(saved.value->size(), 2u);
    EXPECT_EQ(saved.value->at(0).label, "Home five");
    EXPECT_EQ(saved.value->at(0).channelNumber, 5);
    EXPECT_EQ(saved.value->at(0).displayFrequency, "001.005");
    EXPECT_EQ(saved.value->at(1).friendUid, "pal");
    EXPECT_EQ(saved.value->at(1).iconId, "friend");

    const qint64 id = saved.value->at(0).id;
    const auto updated = runTask(api.updateSavedChannel("me", id, "custom", "aGk="));
    ASSERT_TRUE(updated.ok());
    EXPECT_EQ(updated.value->id, id);
    EXPECT_EQ(updated.value->iconCustom, "aGk=");

    EXPECT_EQ(runVoidTask(api.removeSavedChannel("me", id)), nullptr);
    const auto left = runTask(api.fetchSavedChannels("me"));
    ASSERT_TRUE(left.ok());
    ASSERT_EQ(left.value->size(), 1u);
    EXPECT_EQ(left.value->front().label, "Pal");

    // Refusals come back as the server's word.
    EXPECT_EQ(apiErrorOf(runVoidTask(api.addSavedChannel("me", "Zero", 0, "star"))), Kind::server);
    EXPECT_EQ(lastServerText, "bad_request");
    EXPECT_EQ(apiErrorOf(runVoidTask(api.removeSavedChannel("me", id))), Kind::server);
    EXPECT_EQ(lastServerText, "not_found");
    EXPECT_EQ(apiErrorOf(runTask(api.updateSavedChannel("me", id, "star")).error), Kind::badResponse);
}

TEST_F(TovrinAPIDevServer, UserSearchMatchesRadioIdEmailAndNames)
{
    const CheckinResponse ann = checkin("ann", "a+b@x.org", "Ann", "Smith");
    checkin("bob", "ab@x.org", "Bob", "Jones");
    ASSERT_TRUE(runTask(api.updateProfile("bob", {.displayName = "Bobby Tables"})).ok());

    const auto uidsFor = [&](const QString& query) {
        QStringList uids;
        const auto outcome = runTask(api.searchUsers(query, "searcher"));
        EXPECT_TRUE(outcome.ok()) << query.toStdString();
        for (const UserSearchResult& hit : outcome.value.value_or(std::vector<UserSearchResult>{}))
            uids.append(hit.uid);
        return uids;
    };
    EXPECT_EQ(uidsFor(*ann.radioId), QStringList{"ann"});
    EXPECT_EQ(uidsFor(ann.radioId->toLower()), QStringList{"ann"});
    // "+" reaches the server as itself (a server reads a bare "+" as a blank).
    EXPECT_EQ(uidsFor("a+b@x"), QStringList{"ann"});
    EXPECT_EQ(uidsFor("smith"), QStringList{"ann"});
    EXPECT_EQ(uidsFor("Ann Smith"), QStringList{"ann"});
    EXPECT_EQ(uidsFor("tables"), QStringList{"bob"});
    EXPECT_EQ(uidsFor("nobody"), QStringList{});

    const auto self = runTask(api.searchUsers("ann", "ann"));
    ASSERT_TRUE(self.ok());
    EXPECT_TRUE(self.value->empty());
}

TEST_F(TovrinAPIDevServer, BlocksAreKeptPerUser)
{
    checkin("me");
    EXPECT_EQ(runVoidTask(api.blockUser("me", "pest")), nullptr);
    EXPECT_EQ(runVoidTask(api.blockUser("me", "spammer")), nullptr);
    const auto blocked = runTask(api.fetchBlocked("me"));
    ASSERT_TRUE(blocked.ok());
    EXPECT_EQ(*blocked.value, QStringList({"pest", "spammer"}));

    EXPECT_EQ(runVoidTask(api.unblockUser("me", "pest")), nullptr);
    const auto after = runTask(api.fetchBlocked("me"));
    ASSERT_TRUE(after.ok());
    EXPECT_EQ(*after.value, QStringList{"spammer"});

    EXPECT_EQ(apiErrorOf(runVoidTask(api.blockUser("me", "me"))), Kind::server);
    EXPECT_EQ(lastServerText, "cannot_block_self");
}

TEST_F(TovrinAPIDevServer, WorkplaceCreateRedeemRotateAndIcon)
{
    checkin("boss");
    checkin("worker");
    const auto none = runTask(api.fetchWorkplace("boss"));
    ASSERT_TRUE(none.ok());
    EXPECT_FALSE(none.value->has_value());

    const auto created = runTask(api.createWorkplace("boss", "Acme", 2));
    ASSERT_TRUE(created.ok());
    ASSERT_TRUE(created.value->ok);
    ASSERT_TRUE(created.value->workplace.has_value());
    const WorkplaceMembership& membership = *created.value->workplace;
    EXPECT_TRUE(membership.isAdmin());
    EXPECT_EQ(membership.seatLimit, 2);
    EXPECT_EQ(membership.seatsUsed, 1);
    ASSERT_TRUE(created.value->companyCode.has_value());
    EXPECT_EQ(membership.companyCode, created.value->companyCode);
    EXPECT_GE(membership.channelNumber, 101);

    const auto mine = runTask(api.fetchWorkplace("boss"));
    ASSERT_TRUE(mine.ok());
    ASSERT_TRUE(mine.value->has_value());
    EXPECT_EQ((*mine.value)->orgId, membership.orgId);

    const auto again = runTask(api.createWorkplace("boss", "Acme Two", 2));
    ASSERT_TRUE(again.ok());
    EXPECT_FALSE(again.value->ok);
    EXPECT_EQ(again.value->error, "already_admin");

    const auto rotated = runTask(api.rotateWorkplaceCode("boss", membership.orgId));
    ASSERT_TRUE(rotated.ok());
    ASSERT_TRUE(rotated.value->ok);
    ASSERT_TRUE(rotated.value->companyCode.has_value());
    EXPECT_NE(rotated.value->companyCode, created.value->companyCode);

    const auto oldCode = runTask(api.redeemWorkplaceCode("worker", *created.value->companyCode));
    ASSERT_TRUE(oldCode.ok());
    EXPECT_FALSE(oldCode.value->ok);
    EXPECT_EQ(oldCode.value->error, "invalid_code");

    // Typed in lower case: the client upper-cases it.
    const auto joined = runTask(api.redeemWorkplaceCode("worker", rotated.value->companyCode->toLower()));
    ASSERT_TRUE(joined.ok());
    ASSERT_TRUE(joined.value->ok);
    ASSERT_TRUE(joined.value->workplace.has_value());
    EXPECT_EQ(joined.value->workplace->role, "member");
    EXPECT_FALSE(joined.value->workplace->companyCode.has_value());
    EXPECT_EQ(joined.value->workplace->seatsLabel(), "2/2 users");

    checkin("late");
    const auto full = runTask(api.redeemWorkplaceCode("late", *rotated.value->companyCode));
    ASSERT_TRUE(full.ok());
    EXPECT_EQ(full.value->error, "seats_full");

    EXPECT_EQ(runVoidTask(api.updateWorkplaceIcon("boss", membership.orgId, "truck")), nullptr);
    const auto withIcon = runTask(api.fetchWorkplace("worker"));
    ASSERT_TRUE(withIcon.ok());
    ASSERT_TRUE(withIcon.value->has_value());
    EXPECT_EQ((*withIcon.value)->iconId, "truck");

    // A member cannot change the icon: the refusal is a failure, not a success.
    EXPECT_EQ(apiErrorOf(runVoidTask(api.updateWorkplaceIcon("worker", membership.orgId, "star"))), Kind::server);
    EXPECT_EQ(lastServerText, "not_admin");
}

TEST_F(TovrinAPIDevServer, SoundEffectsArePlayableFiles)
{
    for (const SFXKind kind : allCases<SFXKind>()) {
        const auto outcome = runTask(api.downloadSFX(kind));
        ASSERT_TRUE(outcome.ok()) << rawValue(kind).toStdString();
        EXPECT_TRUE(outcome.value->endsWith("/" + rawValue(kind) + ".caf"));
        QFile file(*outcome.value);
        ASSERT_TRUE(file.open(QIODevice::ReadOnly));
        EXPECT_EQ(file.read(4), "caff");

        const auto decoder = AudioDecoder::openFile(*outcome.value, 44100);
        const std::vector<float> samples = decoder->readAll();
        EXPECT_GT(samples.size(), 44100u / 20) << rawValue(kind).toStdString();
        EXPECT_LT(samples.size(), 44100u);
    }
}

}  // namespace
