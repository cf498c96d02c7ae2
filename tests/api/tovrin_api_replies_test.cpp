// What the REST client sends and how it treats replies the devserver never
// gives: odd statuses, envelopes, broken bodies, error bodies, silence.
#include "platform/errors.h"
#include "platform/server_test_seam.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/child_test.h"
#include "support/scripted_responder.h"
#include "support/loopback.h"

#include <QDir>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QProcess>
#include <QStandardPaths>

#include <gtest/gtest.h>

#include <cstdio>
#include <functional>

using namespace std::chrono_literals;
using Kind = TovrinAPIError::Kind;

namespace {

constexpr auto kSettings =
    R"({"channel_number":4242,"display_frequency":"014.082","max_talkers":5,"join_policy":"open",)"
    R"("is_locked":false,"has_passkey":false,"listed_public":true,"allowlist":[]})";
constexpr auto kSlot = R"({"id":7,"label":"Friends","channel_number":101})";

// What an operation ended with: nothing thrown, or one of the client's failures.
struct Ending {
    bool ok = false;
    std::optional<Kind> apiError;
    QString serverText;
    bool decodeError = false;     // the decoder's own DecodeError
    bool transportError = false;  // the HTTP layer's own TransportError
};

Ending endingOf(std::exception_ptr error)
{
    Ending ending;
    if (!error) {
        ending.ok = true;
        return ending;
    }
    try {
        std::rethrow_exception(error);
    } catch (const TovrinAPIError& e) {
        ending.apiError = e.kind();
        ending.serverText = e.serverText();
    } catch (const DecodeError&) {
        ending.decodeError = true;
    } catch (const TransportError&) {
        ending.transportError = true;
    } catch (...) {
    }
    return ending;
}

template <class T>
Ending endingOf(const Outcome<T>& outcome)
{
    return outcome.ok() ? Ending{.ok = true} : endingOf(outcome.error);
}

// Runs an operation to its end, dropping its value.
template <class T>
Ending run(QCoro::Task<T>&& task)
{
    if constexpr (std::is_void_v<T>)
        return endingOf(runVoidTask(std::move(task)));
    else
        return endingOf(runTask(std::move(task)));
}

// One operation called against one scripted reply body.
struct ReplyCase {
    const char* name;
    QByteArray body;
    std::function<Ending(TovrinAPI&)> call;
};

class TovrinAPIReplies : public ::testing::Test {
protected:
    TovrinAPIReplies() : api({.idle = 3s, .resource = 6s, .post = 3s, .health = 300ms}) {}

    QJsonObject sentBody(int index = 0) const
    {
        return QJsonDocument::fromJson(responder.requests().value(index).body).object();
    }
    QByteArray sentTarget(int index = 0) const { return responder.requests().value(index).target; }

    ScriptedResponder responder;
    TovrinAPI api;
};

// ---- statuses ------------------------------------------------------------------

TEST_F(TovrinAPIReplies, GetAcceptsOnly200)
{
    const struct {
        int status;
        bool ok;
    } cases[] = {{200, true}, {201, false}, {204, false}, {304, false}, {404, false}, {500, false}};
    for (const auto& c : cases) {
        responder.script({{c.status, R"({"channels":[],"total":0,"page":1})"}});
        const Ending ending = run(api.fetchChannels("", 1));
        EXPECT_EQ(ending.ok, c.ok) << c.status;
        if (!c.ok)
            EXPECT_EQ(ending.apiError, Kind::badResponse) << c.status;
    }
}

TEST_F(TovrinAPIReplies, PostAccepts200To299AndDecodesTheBody)
{
    const struct {
        int status;
        QByteArray body;
        std::optional<Kind> error;
    } cases[] = {
        {200, R"({"allowed":true})", std::nullopt},
        {201, R"({"allowed":true})", std::nullopt},
        {299, R"({"allowed":false,"reason":"banned"})", std::nullopt},
        {204, "", Kind::decode},
        {300, R"({"allowed":true})", Kind::badResponse},
        {404, R"({"allowed":true})", Kind::badResponse},
        {500, R"({"allowed":true})", Kind::badResponse},
    };
    for (const auto& c : cases) {
        responder.script({{c.status, c.body}});
        const Ending ending = run(api.joinChannel("u1", 5, std::nullopt));
        EXPECT_EQ(ending.ok, !c.error.has_value()) << c.status;
        EXPECT_EQ(ending.apiError, c.error) << c.status;
    }
}

// ---- decoding failures ---------------------------------------------------------

TEST_F(TovrinAPIReplies, GetDecodingFailuresPassThroughAsTheDecodersOwnError)
{
    const ReplyCase cases[] = {
        {"number as string", R"({"channels":[{"channel_number":"5","display_frequency":"001.005"}],"total":1,"page":1})",
         [](TovrinAPI& a) { return run(a.fetchChannels("", 1)); }},
        {"settings in an envelope", QByteArray(R"({"ok":true,"settings":)") + kSettings + "}",
         [](TovrinAPI& a) { return run(a.fetchChannelSettings("u1", 4242)); }},
        {"bans missing", R"({"ok":false})", [](TovrinAPI& a) { return run(a.fetchChannelBans("u1", 4242)); }},
        {"workplace not an object", "[]", [](TovrinAPI& a) { return run(a.fetchWorkplace("u1")); }},
        {"blocked uids null", R"({"blocked_uids":null})", [](TovrinAPI& a) { return run(a.fetchBlocked("u1")); }},
        {"blocked uids numbers", R"({"blocked_uids":[1]})", [](TovrinAPI& a) { return run(a.fetchBlocked("u1")); }},
        {"one bad hit", R"({"users":[{"uid":"a"},{"radio_id":"Q-AAAAAA"}]})",
         [](TovrinAPI& a) { return run(a.searchUsers("ab", "u1")); }},
        {"not JSON", "<html>", [](TovrinAPI& a) { return run(a.fetchSavedChannels("u1")); }},
    };
    for (const auto& c : cases) {
        responder.script({{200, c.body}});
        const Ending ending = c.call(api);
        EXPECT_TRUE(ending.decodeError) << c.name;
        EXPECT_FALSE(ending.apiError.has_value()) << c.name;
    }
}

TEST_F(TovrinAPIReplies, PostDecodingFailuresBecomeDecode)
{
    const ReplyCase cases[] = {
        {"not JSON", "oops", [](TovrinAPI& a) { return run(a.joinChannel("u1", 5, std::nullopt)); }},
        {"check-in without uid", R"({"ok":true})", [](TovrinAPI& a) { return run(a.checkin("u1", "", "", "")); }},
        {"action without ok", R"({"error":"x"})", [](TovrinAPI& a) { return run(a.redeemWorkplaceCode("u1", "ABCD")); }},
        {"ok as a string", R"({"ok":"false"})", [](TovrinAPI& a) { return run(a.banFromChannel("u1", 4242, "u2")); }},
        {"slot update without ok", QByteArray(R"({"slot":)") + kSlot + "}",
         [](TovrinAPI& a) { return run(a.updateSavedChannel("u1", 7, "star")); }},
        {"profile without ok", R"({"profile":{"uid":"u1"}})",
         [](TovrinAPI& a) { return run(a.updateProfile("u1", {})); }},
        {"profile reply without profile", R"({"ok":true})",
         [](TovrinAPI& a) { return run(a.updateProfile("u1", {})); }},
        {"an array", "[]", [](TovrinAPI& a) { return run(a.blockUser("u1", "u2")); }},
    };
    for (const auto& c : cases) {
        responder.script({{200, c.body}});
        EXPECT_EQ(c.call(api).apiError, Kind::decode) << c.name;
    }
}

// ---- the reply envelope ------------------------------------------------------------

// Every operation that reads {ok, error}: ban, unban and adding a slot as
// stated; blocking, unblocking, removing a slot and the company icon because
// a refusal must not pass as success.
TEST_F(TovrinAPIReplies, EnvelopeFailsOnlyOnOkFalse)
{
    const struct {
        const char* name;
        std::function<Ending(TovrinAPI&)> call;
    } operations[] = {
        {"ban", [](TovrinAPI& a) { return run(a.banFromChannel("u1", 4242, "u2")); }},
        {"unban", [](TovrinAPI& a) { return run(a.unbanFromChannel("u1", 4242, "u2")); }},
        {"add slot", [](TovrinAPI& a) { return run(a.addSavedChannel("u1", "Home", 5, "star")); }},
        {"remove slot", [](TovrinAPI& a) { return run(a.removeSavedChannel("u1", 7)); }},
        {"block", [](TovrinAPI& a) { return run(a.blockUser("u1", "u2")); }},
        {"unblock", [](TovrinAPI& a) { return run(a.unblockUser("u1", "u2")); }},
        {"company icon", [](TovrinAPI& a) { return run(a.updateWorkplaceIcon("u1", "org_1", "star")); }},
    };
    const struct {
        QByteArray body;
        std::optional<QString> serverText;  // none: success
    } replies[] = {
        {"{}", std::nullopt},
        {R"({"ok":true})", std::nullopt},
        {R"({"ok":null})", std::nullopt},
        {R"({"error":"x"})", std::nullopt},
        {R"({"ok":true,"error":"x"})", std::nullopt},
        {R"({"ok":false})", "request_failed"},
        {R"({"ok":false,"error":null})", "request_failed"},
        {R"({"ok":false,"error":"not_found"})", "not_found"},
    };
    for (const auto& operation : operations) {
        for (const auto& reply : replies) {
            responder.script({{200, reply.body}});
            const Ending ending = operation.call(api);
            const auto where = std::string(operation.name) + " " + reply.body.toStdString();
            EXPECT_EQ(ending.ok, !reply.serverText.has_value()) << where;
            if (reply.serverText) {
                EXPECT_EQ(ending.apiError, Kind::server) << where;
                EXPECT_EQ(ending.serverText, *reply.serverText) << where;
            }
        }
    }
}

TEST_F(TovrinAPIReplies, SlotUpdateNeedsOkTrueAndASlot)
{
    const struct {
        QByteArray body;
        std::optional<Kind> error;
    } cases[] = {
        {QByteArray(R"({"ok":true,"slot":)") + kSlot + "}", std::nullopt},
        {R"({"ok":true})", Kind::badResponse},
        {QByteArray(R"({"ok":false,"slot":)") + kSlot + "}", Kind::badResponse},
        {R"({"ok":false,"error":"not_found"})", Kind::badResponse},
    };
    for (const auto& c : cases) {
        responder.script({{200, c.body}});
        const auto outcome = runTask(api.updateSavedChannel("u1", 7, "star"));
        EXPECT_EQ(endingOf(outcome).apiError, c.error) << c.body.toStdString();
        if (outcome.ok())
            EXPECT_EQ(outcome.value->label, "Friends");
    }
}

TEST_F(TovrinAPIReplies, SettingsUpdateNeedsTheSettingsWhateverOkSays)
{
    const struct {
        QByteArray body;
        std::optional<Kind> error;
    } cases[] = {
        {QByteArray(R"({"ok":false,"settings":)") + kSettings + "}", std::nullopt},
        {QByteArray(R"({"settings":)") + kSettings + "}", std::nullopt},
        {R"({"ok":true})", Kind::badResponse},
        {"{}", Kind::badResponse},
        {R"({"ok":true,"settings":{"channel_number":4242}})", Kind::decode},
    };
    for (const auto& c : cases) {
        responder.script({{200, c.body}});
        const auto outcome = runTask(api.updateChannelSettings("u1", 4242, {}));
        EXPECT_EQ(endingOf(outcome).apiError, c.error) << c.body.toStdString();
        if (outcome.ok())
            EXPECT_EQ(outcome.value->maxTalkers, 5);
    }
}

TEST_F(TovrinAPIReplies, WorkplaceMineWithoutMembershipIsNone)
{
    for (const QByteArray body : {QByteArray("{}"), QByteArray(R"({"workplace":null})")}) {
        responder.script({{200, body}});
        const auto outcome = runTask(api.fetchWorkplace("u1"));
        ASSERT_TRUE(outcome.ok()) << body.toStdString();
        EXPECT_FALSE(outcome.value->has_value());
    }
}

TEST_F(TovrinAPIReplies, BanListIgnoresItsEnvelope)
{
    responder.script({{200, R"({"ok":false,"error":"x","bans":[]})"}});
    const auto outcome = runTask(api.fetchChannelBans("u1", 4242));
    ASSERT_TRUE(outcome.ok());
    EXPECT_TRUE(outcome.value->empty());
}

// ---- what goes out ------------------------------------------------------------------

TEST_F(TovrinAPIReplies, GetQueriesKeepTheirOrderAndEncodeEveryCharacter)
{
    responder.script({{200, R"({"channels":[],"total":0,"page":1,"users":[],"bans":[],"slots":[],"blocked_uids":[]})"}});
    const struct {
        std::function<Ending(TovrinAPI&)> call;
        QByteArray target;
    } cases[] = {
        {[](TovrinAPI& a) { return run(a.fetchChannels("", 1)); }, "/v1/channels?q=&page=1&limit=40"},
        {[](TovrinAPI& a) { return run(a.fetchCommercialChannels("acme co", 3)); },
         "/v1/channels/commercial?q=acme%20co&page=3&limit=40"},
        {[](TovrinAPI& a) { return run(a.searchUsers("a+b@x", "u&1=2")); }, "/v1/users/search?q=a%2Bb%40x&uid=u%261%3D2"},
        {[](TovrinAPI& a) { return run(a.fetchChannelBans("u1", 64000)); }, "/v1/channel-bans?uid=u1&channel_number=64000"},
        {[](TovrinAPI& a) { return run(a.fetchSavedChannels("ü")); }, "/v1/saved-channels?uid=%C3%BC"},
        {[](TovrinAPI& a) { return run(a.fetchBlocked("u1")); }, "/v1/blocks?uid=u1"},
    };
    for (const auto& c : cases) {
        const int index = int(responder.requests().size());
        EXPECT_TRUE(c.call(api).ok) << c.target.toStdString();
        EXPECT_EQ(sentTarget(index), c.target);
        EXPECT_EQ(responder.requests().value(index).method, "GET");
        EXPECT_TRUE(responder.requests().value(index).contentType.isEmpty());
    }
}

TEST_F(TovrinAPIReplies, PostsSendJsonWithContentTypeAndNoAuthorisation)
{
    responder.script({{200, R"({"allowed":true})"}});
    ASSERT_TRUE(run(api.joinChannel("u1", 5, std::nullopt)).ok);
    const auto& request = responder.requests().value(0);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, "/v1/join-channel");
    EXPECT_EQ(request.contentType, "application/json");
    EXPECT_FALSE(request.headerNames.contains("authorization"));
    EXPECT_FALSE(request.headerNames.contains("cookie"));
}

TEST_F(TovrinAPIReplies, JoinSendsAPasskeyOnlyWhenItHasCharacters)
{
    responder.script({{200, R"({"allowed":false,"reason":"passkey_required"})"}});
    const struct {
        std::optional<QString> passkey;
        std::optional<QString> sent;
    } cases[] = {{std::nullopt, std::nullopt}, {"", std::nullopt}, {" ", " "}, {"Se cret", "Se cret"}};
    for (const auto& c : cases) {
        const int index = int(responder.requests().size());
        const auto outcome = runTask(api.joinChannel("u1", 4242, c.passkey));
        ASSERT_TRUE(outcome.ok());
        EXPECT_FALSE(outcome.value->allowed);
        EXPECT_EQ(outcome.value->reason, "passkey_required");
        const QJsonObject body = sentBody(index);
        EXPECT_EQ(body.value("uid").toString(), "u1");
        EXPECT_EQ(body.value("channel_number").toInteger(), 4242);
        EXPECT_EQ(body.contains("passkey"), c.sent.has_value());
        if (c.sent)
            EXPECT_EQ(body.value("passkey").toString(), *c.sent);
    }
}

TEST_F(TovrinAPIReplies, BodiesCarryExactlyTheirKeys)
{
    responder.script({{200, R"({"ok":true,"uid":"u1","allowed":true,"profile":{"uid":"u1"},)"
                            R"("slot":{"id":7,"label":"x","channel_number":5},)"
                            R"("settings":)" + QByteArray(kSettings) + "}"}});
    const auto obj = [](std::initializer_list<std::pair<QString, QJsonValue>> pairs) {
        QJsonObject o;
        for (const auto& [k, v] : pairs)
            o.insert(k, v);
        return o;
    };
    const struct {
        const char* name;
        std::function<Ending(TovrinAPI&)> call;
        QByteArray target;
        QJsonObject body;
    } cases[] = {
        {"check-in without names", [](TovrinAPI& a) { return run(a.checkin("u1", "", "", "")); }, "/v1/checkin",
         obj({{"uid", "u1"}, {"email", ""}, {"platform", "mac"}})},
        {"check-in with names", [](TovrinAPI& a) { return run(a.checkin("u1", "a@x", "Ann", "Lee")); }, "/v1/checkin",
         obj({{"uid", "u1"}, {"email", "a@x"}, {"platform", "mac"}, {"first_name", "Ann"}, {"last_name", "Lee"}})},
        {"profile, nothing set",
         [](TovrinAPI& a) { return run(a.updateProfile("u1", {.email = "", .firstName = "", .displayName = ""})); },
         "/v1/profile", obj({{"uid", "u1"}})},
        {"profile, every field",
         [](TovrinAPI& a) {
             return run(a.updateProfile("u1", {.email = "e", .firstName = "f", .lastName = "l", .appleId = "a",
                                               .displayName = " d "}));
         },
         "/v1/profile",
         obj({{"uid", "u1"}, {"email", "e"}, {"first_name", "f"}, {"last_name", "l"}, {"apple_id", "a"},
              {"display_name", " d "}})},
        {"ban", [](TovrinAPI& a) { return run(a.banFromChannel("u1", 4242, "u2")); }, "/v1/channel-ban",
         obj({{"uid", "u1"}, {"channel_number", 4242}, {"target_uid", "u2"}})},
        {"unban", [](TovrinAPI& a) { return run(a.unbanFromChannel("u1", 4242, "u2")); }, "/v1/channel-unban",
         obj({{"uid", "u1"}, {"channel_number", 4242}, {"target_uid", "u2"}})},
        {"settings: the arguments win",
         [](TovrinAPI& a) {
             return run(a.updateChannelSettings("u1", 4242,
                                                QJsonObject{{"uid", "evil"}, {"channel_number", 7}, {"name", "N"},
                                                            {"allow_add", QJsonArray{"Q-ABCDEF"}}}));
         },
         "/v1/channel-settings",
         obj({{"uid", "u1"}, {"channel_number", 4242}, {"name", "N"}, {"allow_add", QJsonArray{"Q-ABCDEF"}}})},
        {"add slot, plain", [](TovrinAPI& a) { return run(a.addSavedChannel("u1", "Home", 5, "star")); },
         "/v1/saved-channels", obj({{"uid", "u1"}, {"label", "Home"}, {"channel_number", 5}, {"icon_id", "star"}})},
        {"add slot, friend",
         [](TovrinAPI& a) { return run(a.addSavedChannel("u1", "Bo", 777, "friend", std::nullopt, "Q-BBBBBB", "u2")); },
         "/v1/saved-channels",
         obj({{"uid", "u1"}, {"label", "Bo"}, {"channel_number", 777}, {"icon_id", "friend"},
              {"friend_radio_id", "Q-BBBBBB"}, {"friend_uid", "u2"}})},
        {"add slot, empty custom icon", [](TovrinAPI& a) { return run(a.addSavedChannel("u1", "H", 5, "custom", "")); },
         "/v1/saved-channels",
         obj({{"uid", "u1"}, {"label", "H"}, {"channel_number", 5}, {"icon_id", "custom"}, {"icon_custom", ""}})},
        {"update slot", [](TovrinAPI& a) { return run(a.updateSavedChannel("u1", 7, "custom", "aGk=")); },
         "/v1/saved-channels/update", obj({{"uid", "u1"}, {"id", 7}, {"icon_id", "custom"}, {"icon_custom", "aGk="}})},
        {"remove slot", [](TovrinAPI& a) { return run(a.removeSavedChannel("u1", 7)); }, "/v1/saved-channels/remove",
         obj({{"uid", "u1"}, {"id", 7}})},
        {"block", [](TovrinAPI& a) { return run(a.blockUser("u1", "u2")); }, "/v1/block",
         obj({{"uid", "u1"}, {"blocked_uid", "u2"}})},
        {"unblock", [](TovrinAPI& a) { return run(a.unblockUser("u1", "u2")); }, "/v1/unblock",
         obj({{"uid", "u1"}, {"blocked_uid", "u2"}})},
        {"redeem upper-cases", [](TovrinAPI& a) { return run(a.redeemWorkplaceCode("u1", "ab12cd")); },
         "/v1/workplace/redeem", obj({{"uid", "u1"}, {"code", "AB12CD"}})},
        {"create", [](TovrinAPI& a) { return run(a.createWorkplace("u1", " Acme ", 5)); }, "/v1/workplace/create",
         obj({{"uid", "u1"}, {"company_name", " Acme "}, {"seat_tier", 5}})},
        {"rotate", [](TovrinAPI& a) { return run(a.rotateWorkplaceCode("u1", "org_1")); }, "/v1/workplace/rotate-code",
         obj({{"uid", "u1"}, {"org_id", "org_1"}})},
        {"company icon", [](TovrinAPI& a) { return run(a.updateWorkplaceIcon("u1", "org_1", "star")); },
         "/v1/workplace/icon", obj({{"uid", "u1"}, {"org_id", "org_1"}, {"icon_id", "star"}})},
        {"company icon, empty custom", [](TovrinAPI& a) { return run(a.updateWorkplaceIcon("u1", "org_1", "custom", "")); },
         "/v1/workplace/icon", obj({{"uid", "u1"}, {"org_id", "org_1"}, {"icon_id", "custom"}, {"icon_custom", ""}})},
    };
    for (const auto& c : cases) {
        const int index = int(responder.requests().size());
        EXPECT_TRUE(c.call(api).ok) << c.name;
        EXPECT_EQ(sentTarget(index), c.target) << c.name;
        EXPECT_EQ(sentBody(index), c.body) << c.name << " sent " << responder.requests().value(index).body.toStdString();
    }
}

// ---- the health check -----------------------------------------------------------

TEST_F(TovrinAPIReplies, HealthIsTrueOnlyFor200)
{
    const struct {
        ScriptedResponder::Reply reply;
        bool healthy;
    } cases[] = {
        {{.status = 200}, true},
        {{.status = 204}, false},
        {{.status = 500}, false},
        {{.silent = true}, false},  // longer than the health time-out (shortened here)
        {{.hangUp = true}, false},
    };
    for (const auto& c : cases) {
        responder.script({c.reply});
        const int index = int(responder.requests().size());
        const auto outcome = runTask(api.healthOK());
        ASSERT_TRUE(outcome.ok());
        EXPECT_EQ(*outcome.value, c.healthy) << c.reply.status;
        EXPECT_EQ(sentTarget(index), "/healthz");
    }
}

TEST_F(TovrinAPIReplies, HealthIsFalseWhenNothingListens)
{
    Server::setBaseURLForTesting(closedLoopbackURL());
    const auto health = runTask(api.healthOK());
    ASSERT_TRUE(health.ok());
    EXPECT_FALSE(*health.value);
    EXPECT_TRUE(run(api.fetchBlocked("u1")).transportError);
    EXPECT_TRUE(run(api.blockUser("u1", "u2")).transportError);
}

template <class T>
bool timedOut(const Outcome<T>& outcome)
{
    const auto error = outcome.template errorAs<TransportError>();
    return error && error->timedOut();
}

TEST_F(TovrinAPIReplies, EachOperationWaitsForItsOwnTimeout)
{
    // The reply comes after a pause longer than the one short time-out of
    // each row and far shorter than the long ones: only the operation that
    // uses the short one gives up.
    constexpr auto shortWait = 200ms;
    constexpr auto longWait = 30s;
    const struct {
        const char* name;
        TovrinAPI::Timeouts timeouts;
        bool getTimesOut;
        bool postTimesOut;
        bool healthTimesOut;
    } cases[] = {
        {"short idle", {.idle = shortWait, .resource = longWait, .post = longWait, .health = longWait}, true, false, false},
        {"short POST", {.idle = longWait, .resource = longWait, .post = shortWait, .health = longWait}, false, true, false},
        {"short health", {.idle = longWait, .resource = longWait, .post = longWait, .health = shortWait}, false, false, true},
    };
    for (const auto& c : cases) {
        TovrinAPI client(c.timeouts);
        responder.script({{.body = R"({"blocked_uids": []})", .delay = 1500ms}});
        const auto get = runTask(client.fetchBlocked("u1"));
        EXPECT_EQ(timedOut(get), c.getTimesOut) << c.name;
        EXPECT_EQ(get.ok(), !c.getTimesOut) << c.name;

        responder.script({{.body = R"({"allowed": true})", .delay = 1500ms}});
        const auto post = runTask(client.joinChannel("u1", 5, std::nullopt));
        EXPECT_EQ(timedOut(post), c.postTimesOut) << c.name;
        EXPECT_EQ(post.ok(), !c.postTimesOut) << c.name;

        responder.script({{.status = 200, .delay = 1500ms}});
        const auto health = runTask(client.healthOK());
        ASSERT_TRUE(health.ok());
        EXPECT_EQ(*health.value, !c.healthTimesOut) << c.name;
    }
}

TEST_F(TovrinAPIReplies, ACutOffReplyIsTheHttpLayersError)
{
    const QByteArray blocked = R"({"blocked_uids": ["a", "b", "c"]})";
    responder.script({{.body = blocked, .partialBody = 10}});
    EXPECT_TRUE(run(api.fetchBlocked("u1")).transportError);
    responder.script({{.body = R"({"allowed": true, "channel_number": 5})", .partialBody = 10}});
    EXPECT_TRUE(run(api.joinChannel("u1", 5, std::nullopt)).transportError);
}

TEST_F(TovrinAPIReplies, UnusableBaseAddressIsBadURL)
{
    for (const QUrl& base : {QUrl("relative/path"), QUrl("mailto:radio@example.com"), QUrl("http://exa mple.com")}) {
        Server::setBaseURLForTesting(base);
        EXPECT_EQ(run(api.fetchChannels("", 1)).apiError, Kind::badURL) << base.toString().toStdString();
        EXPECT_EQ(run(api.joinChannel("u1", 5, std::nullopt)).apiError, Kind::badURL) << base.toString().toStdString();
        EXPECT_EQ(run(api.downloadSFX(SFXKind::rxOpen)).apiError, Kind::badURL);
        const auto health = runTask(api.healthOK());
        ASSERT_TRUE(health.ok());
        EXPECT_FALSE(*health.value);
    }
    EXPECT_TRUE(responder.requests().isEmpty());
}

// ---- sound-effect downloads -----------------------------------------------------------

TEST_F(TovrinAPIReplies, SoundEffectErrorBodiesAreRejected)
{
    const QByteArray audio(4096, '\x11');
    const struct {
        const char* name;
        ScriptedResponder::Reply reply;
        bool accepted;
    } cases[] = {
        {"audio", {.body = audio, .contentType = "audio/x-caf"}, true},
        {"json type", {.body = audio, .contentType = "application/json"}, false},
        {"JSON with parameters", {.body = audio, .contentType = "Application/JSON; charset=utf-8"}, false},
        {"json suffix", {.body = audio, .contentType = "application/problem+Json"}, false},
        {"20 bytes holding error", {.body = R"({"error":"missing"})", .contentType = ""}, false},
        {"63 bytes, no error word", {.body = QByteArray(63, 'a'), .contentType = ""}, true},
        {"64 bytes holding error", {.body = QByteArray(59, 'a') + "error", .contentType = ""}, true},
        {"capital Error", {.body = "Error 42", .contentType = ""}, true},
        {"not UTF-8", {.body = "\xff\xfe error", .contentType = ""}, true},
        {"status 201", {.status = 201, .body = audio, .contentType = "audio/x-caf"}, false},
        {"status 404", {.status = 404, .body = audio, .contentType = "audio/x-caf"}, false},
    };
    for (const auto& c : cases) {
        responder.script({c.reply});
        const int index = int(responder.requests().size());
        const auto outcome = runTask(api.downloadSFX(SFXKind::callTone));
        EXPECT_EQ(outcome.ok(), c.accepted) << c.name;
        if (!c.accepted)
            EXPECT_EQ(endingOf(outcome).apiError, Kind::badResponse) << c.name;
        EXPECT_EQ(sentTarget(index), "/v1/sfx/call_tone");
    }
}

TEST_F(TovrinAPIReplies, SoundEffectsGoToTheUserCacheAndAFailureKeepsTheOldFile)
{
    const QString cache = QStandardPaths::writableLocation(QStandardPaths::CacheLocation);
    responder.script({{.body = "first version of the sound", .contentType = "audio/x-caf"},
                      {.body = "second version of the sound", .contentType = "audio/x-caf"},
                      {.status = 500, .body = "third", .contentType = "audio/x-caf"}});

    const auto first = runTask(api.downloadSFX(SFXKind::pttEnd));
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(first.value->startsWith(cache + "/"));
    EXPECT_TRUE(first.value->endsWith("/ptt_end.caf"));

    const auto second = runTask(api.downloadSFX(SFXKind::pttEnd));
    ASSERT_TRUE(second.ok());
    EXPECT_EQ(*second.value, *first.value);
    EXPECT_EQ(run(api.downloadSFX(SFXKind::pttEnd)).apiError, Kind::badResponse);

    QFile file(*first.value);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), "second version of the sound");
    // The atomic write leaves no temporary file behind.
    for (const QString& name : QDir(TovrinAPI::soundEffectsDirectory()).entryList(QDir::Files))
        EXPECT_TRUE(name.endsWith(".caf")) << name.toStdString();
}

TEST_F(TovrinAPIReplies, ACutOffSoundIsNotCached)
{
    const QByteArray sound(8192, '\x22');
    responder.script({{.body = sound, .contentType = "audio/x-caf"},
                      {.body = QByteArray(8192, '\x33'), .contentType = "audio/x-caf", .partialBody = 4096}});
    const auto first = runTask(api.downloadSFX(SFXKind::callTone));
    ASSERT_TRUE(first.ok());
    EXPECT_TRUE(run(api.downloadSFX(SFXKind::callTone)).transportError);
    QFile file(*first.value);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    EXPECT_EQ(file.readAll(), sound);  // the complete earlier copy stays
}

TEST_F(TovrinAPIReplies, SoundEffectWriteFailureIsTheFileSystemsError)
{
    // A file where the cache folder should be: the folder cannot be made.
    const QString directory = TovrinAPI::soundEffectsDirectory();
    QDir(directory).removeRecursively();
    QDir().mkpath(QFileInfo(directory).path());
    QFile blocker(directory);
    ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
    blocker.close();

    responder.script({{.body = "sound bytes", .contentType = "audio/x-caf"}});
    const auto outcome = runTask(api.downloadSFX(SFXKind::rxOpen));
    EXPECT_TRUE(outcome.errorAs<FileError>().has_value());
    QFile::remove(directory);
}

}  // namespace

// ---- the shared client at the exit -----------------------------------------------

constexpr const char* kExitChildVariable = "TOVRIN_API_EXIT_CHILD";
constexpr const char* kGoneInTime = "shared client gone while the application stands";

// The shared client's network manager delivers events from a thread of its own
// until it is deleted: deleted after the application object, it can crash the exit.
TEST(SharedTovrinAPI, IsGoneBeforeTheApplicationObject)
{
    QProcess child;
    startChildTest(child, QStringLiteral("SharedTovrinAPIChild.Run"),
                   {{QLatin1String(kExitChildVariable), QStringLiteral("1")}});
    ASSERT_TRUE(child.waitForFinished(30000));
    const QByteArray printed = child.readAllStandardError();
    EXPECT_EQ(child.exitCode(), 0) << printed.toStdString();
    EXPECT_TRUE(printed.contains(kGoneInTime)) << printed.toStdString();
}

// The child side: does nothing unless started by the test above.
TEST(SharedTovrinAPIChild, Run)
{
    if (qEnvironmentVariableIsEmpty(kExitChildVariable))
        GTEST_SKIP() << "runs only as a child";
    Server::setBaseURLForTesting(closedLoopbackURL());
    TovrinAPI& api = TovrinAPI::shared();
    QObject::connect(&api, &QObject::destroyed, [] {
        std::fprintf(stderr, "%s\n", QCoreApplication::instance() ? kGoneInTime : "shared client gone after the application");
    });
    // A request starts the manager's thread.
    const auto health = runTask(api.healthOK());
    ASSERT_TRUE(health.ok());
    EXPECT_FALSE(*health.value);
}
