// The devserver holds the live socket to join-channel's rules, closes every
// socket it refuses with code 1008 and the reason, answers any channel-list
// page, keeps no empty room and no record of a uid that never checked in.
#include "engine_harness.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QNetworkAccessManager>
#include <QNetworkReply>

using namespace std::chrono_literals;

namespace {

// A bare live socket that records the messages' types and how it was closed.
struct LiveProbe {
    LiveProbe(const DevServerProcess& server, const QString& path)
    {
        QObject::connect(&socket, &QWebSocket::textMessageReceived, [this](const QString& text) {
            texts.append(QJsonDocument::fromJson(text.toUtf8()).object());
        });
        QObject::connect(&socket, &QWebSocket::disconnected, [this] { closed = true; });
        socket.open(QUrl(QStringLiteral("ws://127.0.0.1:%1%2").arg(server.port()).arg(path)));
    }
    bool joined() const
    {
        return std::any_of(texts.begin(), texts.end(), [](const QJsonObject& m) { return m.value("type") == "joined"; });
    }

    QWebSocket socket;
    QList<QJsonObject> texts;
    bool closed = false;
};

QString livePath(qint64 channel, const QString& uid)
{
    return QStringLiteral("/v1/live/%1?uid=%2").arg(channel).arg(uid);
}

// A GET of the channel list; the status code, 0 when no answer came.
int channelListStatus(const DevServerProcess& server, const QString& query)
{
    QNetworkAccessManager network;
    QNetworkRequest request(QUrl(server.baseURL().toString() + "/v1/channels?" + query));
    request.setTransferTimeout(5000);
    std::unique_ptr<QNetworkReply> reply(network.get(request));
    if (!waitUntil([&] { return reply->isFinished(); }, 6s))
        return 0;
    return reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
}

}  // namespace

TEST_F(LiveChannelTest, TheLiveSocketFollowsTheJoinRulesAndSaysWhyItRefuses)
{
    TovrinAPI& api = TovrinAPI::shared();
    const auto owner = runTask(api.checkin("uid-owner", "", "", ""));
    ASSERT_TRUE(owner.ok() && owner.value->ownedChannelNumber);
    const qint64 owned = *owner.value->ownedChannelNumber;
    for (const QString uid : {"uid-guest", "uid-listed", "uid-banned"})
        ASSERT_TRUE(runTask(api.checkin(uid, "", "", "")).ok());
    const QString listedRadioId = runTask(api.checkin("uid-listed", "", "", "")).value->radioId.value_or(QString());
    ASSERT_FALSE(listedRadioId.isEmpty());
    ASSERT_TRUE(runVoidTask(api.banFromChannel("uid-owner", owned, "uid-banned")) == nullptr);

    struct Rules {
        const char* what;
        QJsonObject settings;
    };
    struct Row {
        QString uid;
        qint64 channel;
        QString refusal;  // empty: let in
    };
    const auto rows = [&](const Rules& rules) -> std::vector<Row> {
        const QString policy = rules.settings.value("join_policy").toString();
        const bool locked = rules.settings.value("is_locked").toBool();
        const QString guestRefusal = locked                 ? "not_allowed"
                                     : policy == "passkey"   ? "passkey_required"
                                     : policy == "allowlist" ? "not_allowed"
                                                             : "";
        return {{"uid-owner", owned, ""},
                {"uid-guest", owned, guestRefusal},
                {"uid-listed", owned, locked || policy == "passkey" ? guestRefusal : ""},
                {"uid-banned", owned, "banned"},
                {"never-checked-in", owned, guestRefusal}};
    };
    const Rules cases[] = {
        {"open", {{"join_policy", "open"}}},
        {"allow list", {{"join_policy", "allowlist"}, {"allow_add", QJsonArray{listedRadioId}}}},
        {"passkey", {{"join_policy", "passkey"}, {"passkey", "sesame"}}},
        {"locked", {{"join_policy", "open"}, {"is_locked", true}}},
    };
    for (const Rules& rules : cases) {
        ASSERT_TRUE(runTask(api.updateChannelSettings("uid-owner", owned, rules.settings)).ok()) << rules.what;
        for (const Row& row : rows(rules)) {
            LiveProbe probe(server, livePath(row.channel, row.uid));
            ASSERT_TRUE(eventually([&] { return probe.closed || probe.joined(); })) << rules.what;
            const std::string where = std::string(rules.what) + " " + row.uid.toStdString();
            if (row.refusal.isEmpty()) {
                EXPECT_TRUE(probe.joined()) << where;
                continue;
            }
            EXPECT_EQ(probe.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated) << where;
            EXPECT_EQ(probe.socket.closeReason(), row.refusal) << where;
            EXPECT_TRUE(probe.texts.isEmpty()) << where << ": no \"joined\" and no \"kicked\"";
        }
    }

    // The passkey given to join-channel lets the live socket in; another channel's does not.
    ASSERT_TRUE(runTask(api.updateChannelSettings("uid-owner", owned, {{"join_policy", "passkey"}, {"is_locked", false}})).ok());
    EXPECT_TRUE(runTask(api.joinChannel("uid-guest", owned, QStringLiteral("sesame"))).value->allowed);
    LiveProbe admitted(server, livePath(owned, "uid-guest"));
    ASSERT_TRUE(eventually([&] { return admitted.joined(); }));

    // Channels nobody can be on, and addresses that name no user.
    const struct {
        QString path;
        QString reason;
    } addresses[] = {
        {livePath(owned + 1 > 64000 ? owned - 1 : owned + 1, "uid-guest"), "not_active"},
        {livePath(0, "uid-guest"), "not_found"},
        {livePath(64001, "uid-guest"), "not_found"},
        {"/v1/live/12", "bad_request"},
        {"/v1/live/12?uid=", "bad_request"},
    };
    for (const auto& address : addresses) {
        LiveProbe probe(server, address.path);
        ASSERT_TRUE(eventually([&] { return probe.closed; })) << address.path.toStdString();
        EXPECT_EQ(probe.socket.closeCode(), QWebSocketProtocol::CloseCodePolicyViolated);
        EXPECT_EQ(probe.socket.closeReason(), address.reason) << address.path.toStdString();
    }
}

TEST_F(LiveChannelTest, TheDevserverAnswersEveryPageAndLimitAndStaysUp)
{
    const struct {
        QString query;
        int status;
    } cases[] = {
        {"page=1&limit=40", 200},
        {"page=4611686018427387904&limit=40", 200},  // 2^62
        {"page=9223372036854775807&limit=100", 200},
        {"page=9223372036854775807&limit=9223372036854775807", 200},
        {"page=3&limit=1", 200},
        {"page=99999999999999999999&limit=40", 400},  // not a 64-bit number
        {"page=0&limit=40", 400},
        {"page=-4611686018427387904&limit=40", 400},
        {"page=1&limit=0", 400},
        {"page=1&limit=-9223372036854775807", 400},
    };
    for (const auto& c : cases)
        EXPECT_EQ(channelListStatus(server, c.query), c.status) << c.query.toStdString();
    const auto page = runTask(TovrinAPI::shared().fetchChannels(QString(), 4611686018427387904LL));
    ASSERT_TRUE(page.ok());
    EXPECT_TRUE(page.value->channels.empty()) << "a page past the end is empty";
    EXPECT_TRUE(runTask(TovrinAPI::shared().healthOK()).value.value_or(false));
}

TEST_F(LiveChannelTest, AnEmptyRoomIsForgottenAndAnUnknownUidGetsNoRecord)
{
    {
        auto alice = joinedEngine("uid-alice");
        alice->sendChat("said in an emptied room");
        ASSERT_TRUE(eventually([&] { return alice->chatMessages().size() == 1; }));
        alice->disconnect();
    }
    // A uid that never checked in is let onto a home channel, without a radio ID.
    LiveProbe ghost(server, livePath(channel, "ghost"));
    ASSERT_TRUE(eventually([&] { return ghost.joined(); }));
    const QJsonObject joined = ghost.texts.first();
    EXPECT_EQ(joined.value("chat_history").toArray(), QJsonArray()) << "the room was pruned with its history";
    EXPECT_EQ(joined.value("roster").toArray(),
              (QJsonArray{QJsonObject{{"uid", "ghost"}, {"radio_id", ""}, {"display_name", ""}}}));

    // Searching finds no record made for it either.
    ASSERT_TRUE(runTask(TovrinAPI::shared().checkin("uid-searcher", "", "", "")).ok());
    const auto hits = runTask(TovrinAPI::shared().searchUsers("ghost", "uid-searcher"));
    ASSERT_TRUE(hits.ok());
    EXPECT_TRUE(hits.value->empty());
}
