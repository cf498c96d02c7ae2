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
#include "views/quick_bar_slot_save.h"

#include <QCoroTask>
#include <QPointer>

QCoro::Task<void> ChannelChatView::addFriend(ChatMessage message)
{
    QPointer<ChannelChatView> self(this);
    FriendsStore* friends = stores_.friends;
    QuickBarSlotRequest request;
    request.uid = stores_.session->uid();
    request.label = message.chatNickname();
    request.channelNumber = stores_.radio->channelNumber();
    request.iconId = QStringLiteral("friend");
    if (!message.radioId.isEmpty())
        request.friendRadioId = message.radioId;
    request.friendUid = message.uid;
    const bool saved = co_await saveQuickBarSlot(friends, request);
    if (!self)
        co_return;
    if (saved) {
        self->showToast(QStringLiteral("Added ") + request.label + QStringLiteral(" to quick bar"));
        co_return;
    }
    const QString shown = friends->lastError().value_or(QString());
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
    if (!self)
        co_return;
    self->showToast(blocks->blockedUIDs().contains(uid)
                        ? QStringLiteral("Blocked ") + name + QStringLiteral(" — you won't hear or see them")
                        : QStringLiteral("Could not block user"));
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
