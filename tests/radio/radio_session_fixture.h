#pragma once

#include "models/channel_math.h"
#include "platform/server_test_seam.h"
#include "platform/user_defaults.h"
#include "services/channel_audio_service.h"
#include "services/radio_session.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "support/scripted_responder.h"
#include "support/loopback.h"

#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>

#include <memory>

// What the radio tests share: clean resume keys, short timers, a join call
// with a fixed identity, bounded waits, and scripted server replies.
class RadioSessionTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        UserDefaults defaults;
        defaults.remove(RadioSession::lastChannelKey);
        defaults.remove(RadioSession::wasLiveKey);
        defaults.sync();
    }

    static RadioSession::Timing shortTiming()
    {
        using namespace std::chrono_literals;
        return {.presenceInterval = 50ms, .chatThrottle = 300ms};
    }

    static QCoro::Task<void> join(RadioSession& session, const QString& uid = QStringLiteral("radio-test-a"),
                                  std::optional<QString> passkey = std::nullopt)
    {
        return session.join(uid, std::move(passkey), QStringLiteral("Tester"), QStringLiteral("Q-TEST01"), {});
    }

    static void joinNow(RadioSession& session, const QString& uid = QStringLiteral("radio-test-a"),
                        std::optional<QString> passkey = std::nullopt)
    {
        EXPECT_FALSE(runVoidTask(join(session, uid, std::move(passkey))));
    }

    static std::optional<qint64> storedChannel() { return UserDefaults().integer(RadioSession::lastChannelKey); }
    static std::optional<bool> storedWasLive()
    {
        UserDefaults defaults;
        if (!defaults.contains(RadioSession::wasLiveKey))
            return std::nullopt;
        return defaults.boolean(RadioSession::wasLiveKey);
    }

    static QByteArray json(const QJsonObject& object) { return QJsonDocument(object).toJson(QJsonDocument::Compact); }

    static QJsonObject channelRecord(qint64 number, std::optional<qint64> talkers = std::nullopt)
    {
        QJsonObject channel{{"channel_number", number}, {"display_frequency", ChannelMath::display(number)}};
        if (talkers)
            channel.insert("active_talker_count", *talkers);
        return channel;
    }

    // Waits until the responder has received `count` requests.
    static bool waitForRequests(const ScriptedResponder& responder, qsizetype count)
    {
        return waitUntil([&] { return responder.requests().size() >= count; });
    }

    // Joins with a scripted reply to the join request, held back until the
    // request has arrived; then the engine's socket is pointed at `liveBase`
    // and `whileAsking` runs, both before the reply comes back.
    static void joinWithScriptedReply(RadioSession& session, const QJsonObject& reply, const QUrl& liveBase,
                                      const std::function<void()>& whileAsking = {})
    {
        using namespace std::chrono_literals;
        ScriptedResponder responder;
        responder.script({{200, json(reply), false, 100ms}});
        auto joining = join(session);
        ASSERT_TRUE(waitForRequests(responder, 1));
        Server::setBaseURLForTesting(liveBase);
        if (whileAsking)
            whileAsking();
        EXPECT_FALSE(runVoidTask(std::move(joining)));
    }

    static qint64 requestedChannel(const ScriptedResponder::Request& request)
    {
        return QJsonDocument::fromJson(request.body).object().value("channel_number").toInteger(-1);
    }
};
