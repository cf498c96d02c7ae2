#pragma once

#include "views/app_stores.h"
#include "platform/diagnostics.h"
#include "platform/keychain.h"
#include "platform/keychain_test_seam.h"
#include "platform/system_sounds.h"
#include "platform/tovrin_haptics.h"
#include "platform/user_defaults.h"
#include "services/alert_sound_store.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/chat_unread_store.h"
#include "services/friends_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/voice_filter_store.h"
#include "services/workplace_store.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "theme/theme_store.h"
#include "views/radio_effects.h"
#include "views/radio_operations.h"

#include <QCoroFuture>
#include <QPromise>
#include <QDir>
#include <QJsonDocument>
#include <QJsonObject>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <chrono>
#include <memory>

// The radio screen's sounds, written down instead of played: "wake",
// "play rx_open", "chirp ptt_end", "alert cat", "relay cat 16000".
class RecordingEffects : public RadioEffects {
public:
    QStringList calls;
    // What relayPCM hands back: at once, or once released after holdRelay.
    std::optional<QByteArray> relaySamples = QByteArray(3200, '\x01');
    void holdRelay()
    {
        gate_ = std::make_shared<QPromise<void>>();
        gate_->start();
    }
    void releaseRelay()
    {
        if (gate_)
            gate_->finish();
        gate_.reset();
    }
    ~RecordingEffects() override { releaseRelay(); }

    void wakeEffectsSession() override { calls << QStringLiteral("wake"); }
    void play(SFXKind kind) override { calls << QStringLiteral("play ") + rawValue(kind); }
    void playPTTChirp(SFXKind kind) override { calls << QStringLiteral("chirp ") + rawValue(kind); }
    void playAlert(AlertSound sound) override { calls << QStringLiteral("alert ") + rawValue(sound); }
    QCoro::Task<std::optional<QByteArray>> relayPCM(AlertSound sound, double sampleRate) override
    {
        calls << QStringLiteral("relay %1 %2").arg(rawValue(sound)).arg(sampleRate);
        return answer(relaySamples, gate_ ? std::optional<QFuture<void>>(gate_->future()) : std::nullopt);
    }

    int count(const QString& call) const { return int(calls.count(call)); }

private:
    static QCoro::Task<std::optional<QByteArray>> answer(std::optional<QByteArray> samples,
                                                         std::optional<QFuture<void>> gate)
    {
        if (gate)
            co_await *gate;
        co_return samples;
    }

    std::shared_ptr<QPromise<void>> gate_;
};

// The real stores against a devserver, with a fresh settings file and keychain.
class RadioScreenTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        QSettings().clear();
        QDir(FileKeychainBackend::defaultDirectory()).removeRecursively();
        KeychainTestSeam::replaceShared(nullptr);
        HapticLog::clear();
        SystemSounds::clearForTesting();
        ASSERT_TRUE(server.start());
        session = std::make_unique<SessionStore>();
        radio = std::make_unique<RadioSession>(RadioSession::Timing{.presenceInterval = std::chrono::milliseconds(50),
                                                                    .chatThrottle = std::chrono::milliseconds(20)});
        friends = std::make_unique<FriendsStore>();
        blocks = std::make_unique<BlockStore>();
        theme = std::make_unique<ThemeStore>();
        workplace = std::make_unique<WorkplaceStore>();
        voiceFilters = std::make_unique<VoiceFilterStore>();
        alerts = std::make_unique<AlertSoundStore>();
        unread = std::make_unique<ChatUnreadStore>(radio.get());
    }

    AppStores stores() const
    {
        AppStores all;
        all.session = session.get();
        all.radio = radio.get();
        all.friends = friends.get();
        all.blocks = blocks.get();
        all.theme = theme.get();
        all.workplace = workplace.get();
        all.voiceFilters = voiceFilters.get();
        all.alertSounds = alerts.get();
        all.chatUnread = unread.get();
        return all;
    }

    // Checks in, so the session holds a radio ID and an owned channel.
    void checkIn() { ASSERT_FALSE(runVoidTask(session->bootstrap())); }

    bool inChannel() const
    {
        return radio->isInChannel();
    }

    // Joins the tuned channel through the operations and waits until live.
    void joinTuned(RadioOperations& ops)
    {
        EXPECT_FALSE(runVoidTask(ops.joinCurrent()));
        EXPECT_TRUE(waitUntil([this] { return inChannel(); })) << "not in channel " << radio->channelNumber();
    }

    // A chat line as the server relays it.
    void receiveChat(const QString& id, double ts, const QString& uid = QStringLiteral("someone-else"))
    {
        const QJsonObject line{{"id", id}, {"uid", uid}, {"text", "hi " + id}, {"ts", ts},
                               {"display_name", "Bo"}, {"radio_id", "Q-BBBBBB"}};
        radio->live()->handleJSON(
            QString::fromUtf8(QJsonDocument(QJsonObject{{"type", "chat"}, {"message", line}}).toJson()));
    }

    static QStringList linesWith(const Diagnostics::LineCapture& capture, const QString& fragment)
    {
        return capture.lines().filter(fragment);
    }

    DevServerProcess server;
    std::unique_ptr<SessionStore> session;
    std::unique_ptr<RadioSession> radio;
    std::unique_ptr<FriendsStore> friends;
    std::unique_ptr<BlockStore> blocks;
    std::unique_ptr<ThemeStore> theme;
    std::unique_ptr<WorkplaceStore> workplace;
    std::unique_ptr<VoiceFilterStore> voiceFilters;
    std::unique_ptr<AlertSoundStore> alerts;
    std::unique_ptr<ChatUnreadStore> unread;
    RecordingEffects effects;
};
