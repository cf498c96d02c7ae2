// What the chat screen does on a person's behalf: save their channel to the
// quick bar, block them, and for the channel's owner ban and unban them.
// Each may outlive the screen, so after every wait it checks the screen is
// still there before it shows its toast; the stores outlive every screen.

#include "views/channel_chat_view.h"

#include "services/block_store.h"
#include "services/channel_audio_service.h"
#include "services/friends_store.h"
#include "services/radio_session.h"
#include "services/session_store.h"
#include "services/tovrin_api.h"
#include "views/saved_channel_failure.h"

#include <QCoroTask>
#include <QPointer>

QCoro::Task<void> ChannelChatView::addFriend(ChatMessage message)
{
    QPointer<ChannelChatView> self(this);
    FriendsStore* friends = stores_.friends;
    const QString label = message.chatNickname();
    const QString uid = stores_.session->uid();
    const qint64 channel = stores_.radio->channelNumber();
    const std::optional<QString> friendRadioId =
        message.radioId.isEmpty() ? std::nullopt : std::optional<QString>(message.radioId);
    const QString iconId = QStringLiteral("friend");

    std::exception_ptr failure;
    try {
        co_await TovrinAPI::shared().addSavedChannel(uid, label, channel, iconId, std::nullopt, friendRadioId,
                                                     message.uid);
    } catch (...) {
        failure = std::current_exception();
    }
    if (!failure) {
        co_await friends->load(uid);
        if (self)
            self->showToast(QStringLiteral("Added ") + label + QStringLiteral(" to quick bar"));
        co_return;
    }
    friends->setLastError(savedChannelFailureText(failure));
    const QString shown = friends->lastError().value_or(QString());
    if (self)
        self->showToast(shown.isEmpty() ? QStringLiteral("Could not add") : shown);
}

QCoro::Task<void> ChannelChatView::blockUser(QString uid, QString name)
{
    QPointer<ChannelChatView> self(this);
    BlockStore* blocks = stores_.blocks;
    ChannelAudioService* live = stores_.radio->live();
    co_await blocks->block(stores_.session->uid(), uid);
    // Whatever the server said: the live filter follows the store's set.
    live->updateBlocked(blocks->blockedUIDs());
    if (self)
        self->showToast(QStringLiteral("Blocked ") + name + QStringLiteral(" — you won't hear or see them"));
}

QCoro::Task<void> ChannelChatView::banUser(QString uid, QString name)
{
    if (!isChannelOwner())
        co_return;
    QPointer<ChannelChatView> self(this);
    const QString owner = stores_.session->uid();
    const qint64 channel = stores_.radio->channelNumber();
    bool banned = true;
    try {
        co_await TovrinAPI::shared().banFromChannel(owner, channel, uid);
    } catch (...) {
        banned = false;
    }
    if (self)
        self->showToast(banned ? QStringLiteral("Banned ") + name + QStringLiteral(" from your channel")
                               : QStringLiteral("Could not ban user"));
}

QCoro::Task<void> ChannelChatView::unbanUser(ChannelBanEntry entry)
{
    if (!isChannelOwner())
        co_return;
    QPointer<ChannelChatView> self(this);
    const QString owner = stores_.session->uid();
    const qint64 channel = stores_.radio->channelNumber();
    bool lifted = true;
    try {
        co_await TovrinAPI::shared().unbanFromChannel(owner, channel, entry.uid);
    } catch (...) {
        lifted = false;
    }
    if (self)
        self->showToast(lifted ? QStringLiteral("Unbanned ") + entry.chatNickname()
                               : QStringLiteral("Could not unban user"));
}
