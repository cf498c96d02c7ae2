#pragma once

#include "views/app_stores.h"
#include "platform/diagnostics.h"
#include "platform/keychain.h"
#include "platform/keychain_test_seam.h"
#include "platform/record_permission.h"
#include "platform/tovrin_haptics.h"
#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/friends_store.h"
#include "services/mic_privacy.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "support/async.h"
#include "support/devserver_process.h"
#include "theme/theme_store.h"
#include "views/channel_chat_view.h"
#include "views/chat_bubble.h"

#include <QDir>
#include <QLabel>
#include <QSettings>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

// The chat screen on the real stores, the user checked in against a devserver,
// and a second engine ("other") that can join the same channel.
class ChatScreenTest : public ::testing::Test {
protected:
    static inline const QString otherUID = QStringLiteral("other-listener");
    static inline const QString otherName = QStringLiteral("Bo");
    static inline const QString otherRadioId = QStringLiteral("Q-BBBBBB");

    void SetUp() override
    {
        QSettings().clear();
        QDir(FileKeychainBackend::defaultDirectory()).removeRecursively();
        KeychainTestSeam::replaceShared(nullptr);
        MicPrivacy::setLauncherForTesting({[](const auto&) { return true; }, [](const auto&) { return true; }});
        HapticLog::clear();
        ASSERT_TRUE(server.start());
        session = std::make_unique<SessionStore>();
        radio = std::make_unique<RadioSession>(RadioSession::Timing{.presenceInterval = std::chrono::milliseconds(50),
                                                                    .chatThrottle = std::chrono::milliseconds(20)});
        friends = std::make_unique<FriendsStore>();
        blocks = std::make_unique<BlockStore>();
        theme = std::make_unique<ThemeStore>();
        ASSERT_FALSE(runVoidTask(session->bootstrap()));
        ASSERT_TRUE(session->ownedChannelNumber().has_value());
    }

    void TearDown() override
    {
        chat.reset();
        other.reset();
        radio->leaveChannel();
        MicPrivacy::setLauncherForTesting({});
    }

    AppStores stores() const
    {
        AppStores all;
        all.session = session.get();
        all.radio = radio.get();
        all.friends = friends.get();
        all.blocks = blocks.get();
        all.theme = theme.get();
        return all;
    }

    ChannelAudioService* live() const { return radio->live(); }
    qint64 ownChannel() const { return *session->ownedChannelNumber(); }

    // Tunes to `channel` and joins it as the user; waits until live.
    void joinChannel(qint64 channel)
    {
        radio->setChannel(channel);
        EXPECT_FALSE(runVoidTask(radio->join(session->uid(), std::nullopt, session->chatDisplayName(),
                                             session->radioId(), blocks->blockedUIDs())));
        EXPECT_TRUE(waitUntil([this] { return live()->isLive() && live()->listenerCount() > 0; }))
            << "not live on " << channel << ": " << radio->lastError().value_or(QString()).toStdString();
    }

    // The second listener joins the tuned channel; waits until both see it.
    void joinOther()
    {
        other = std::make_unique<ChannelAudioService>();
        // A user the server knows, as every client is after its check-in.
        EXPECT_TRUE(runTask(TovrinAPI::shared().checkin(otherUID, "", "", "")).ok());
        EXPECT_FALSE(runVoidTask(other->connect(int(radio->channelNumber()), otherUID, otherName, otherRadioId, {})));
        EXPECT_TRUE(waitUntil([this] { return other->isLive() && live()->channelRoster().size() == 2; }))
            << "the other listener did not arrive";
    }

    // A fresh chat screen, shown at the window's size.
    ChannelChatView& openChat()
    {
        chat = std::make_unique<ChannelChatView>(stores());
        chat->resize(378, 820);
        chat->show();
        runQueued();
        return *chat;
    }

    QStringList messageTexts() const
    {
        QStringList texts;
        for (ChatBubble* bubble : chat->bubbles())
            texts << bubble->row().message.text;
        return texts;
    }

    // Every label text shown under `widget`, once its rows are shown.
    static QStringList labelTexts(const QWidget* widget)
    {
        runQueued();
        QStringList texts;
        for (const QLabel* label : widget->findChildren<QLabel*>())
            if (!label->text().isEmpty() && label->isVisibleTo(widget))
                texts << label->text();
        return texts;
    }

    DevServerProcess server;
    RecordPermission::Override microphone{RecordPermission::State::granted, true};
    std::unique_ptr<SessionStore> session;
    std::unique_ptr<RadioSession> radio;
    std::unique_ptr<FriendsStore> friends;
    std::unique_ptr<BlockStore> blocks;
    std::unique_ptr<ThemeStore> theme;
    std::unique_ptr<ChannelAudioService> other;
    std::unique_ptr<ChannelChatView> chat;
};
