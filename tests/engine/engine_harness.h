#pragma once

#include "platform/record_permission.h"
#include "services/channel_audio_service.h"
#include "services/mic_privacy.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/devserver_process.h"

#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <memory>

// The engine tests wait 5 s at most.
inline bool eventually(const std::function<bool()>& condition, std::chrono::milliseconds timeout = std::chrono::seconds(5))
{
    return waitUntil(condition, timeout);
}

// Engines joined to one devserver channel.
class LiveChannelTest : public ::testing::Test {
protected:
    static constexpr int channel = 42;

    void SetUp() override
    {
        // No settings program is ever started from a test.
        MicPrivacy::setLauncherForTesting({[](const auto&) { return true; }, [this](const auto&) { ++settingsOpened; return true; }});
        ASSERT_TRUE(server.start());
    }
    void TearDown() override { MicPrivacy::setLauncherForTesting({}); }

    std::unique_ptr<ChannelAudioService> joinedEngine(const QString& uid, const QString& name = QString(),
                                                      QSet<QString> blocked = {}, int onChannel = channel)
    {
        auto engine = std::make_unique<ChannelAudioService>();
        joinWith(*engine, uid, name, std::move(blocked), onChannel);
        return engine;
    }

    void joinWith(ChannelAudioService& engine, const QString& uid, const QString& name = QString(),
                  QSet<QString> blocked = {}, int onChannel = channel)
    {
        // A user the server knows: checked in, with a radio ID.
        EXPECT_TRUE(runTask(TovrinAPI::shared().checkin(uid, "", "", "")).ok()) << uid.toStdString();
        EXPECT_FALSE(runVoidTask(engine.connect(onChannel, uid, name, QStringLiteral("Q-TEST01"), std::move(blocked))));
        EXPECT_TRUE(eventually([&] { return engine.listenerCount() > 0; })) << "no \"joined\" for " << uid.toStdString();
    }

    static QStringList rosterUids(const ChannelAudioService& engine)
    {
        QStringList uids;
        for (const ChannelRosterMember& member : engine.channelRoster())
            uids.append(member.uid);
        return uids;
    }

    static QStringList chatTexts(const ChannelAudioService& engine)
    {
        QStringList texts;
        for (const ChatMessage& line : engine.chatMessages())
            texts.append(line.text);
        return texts;
    }

    DevServerProcess server;
    RecordPermission::Override microphone{RecordPermission::State::granted, true};
    int settingsOpened = 0;
};
