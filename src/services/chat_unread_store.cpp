#include "services/chat_unread_store.h"

#include "services/channel_audio_service.h"
#include "services/radio_session.h"

#include <algorithm>
#include <limits>

ChatUnreadStore::ChatUnreadStore(RadioSession* radio, QObject* parent) : QObject(parent), radio_(radio)
{
    if (!radio_)
        return;
    connect(radio_->live(), &ChannelAudioService::chatMessagesChanged, this, &ChatUnreadStore::recount);
    // Lines on the screen when the radio leaves a channel belong to that channel.
    connect(radio_, &RadioSession::channelNumberChanged, this, &ChatUnreadStore::markAllSeen);
    markAllSeen();
}

void ChatUnreadStore::markAllSeen()
{
    if (!radio_)
        return;
    const QList<ChatMessage>& lines = radio_->live()->chatMessages();
    if (!lines.isEmpty()) {
        lastSeenId_ = lines.last().id;
        lastSeenTs_ = lines.last().ts;
    }
    recount();
}

void ChatUnreadStore::recount()
{
    if (!radio_)
        return;
    const QList<ChatMessage>& lines = radio_->live()->chatMessages();
    qsizetype count = lines.size();
    if (lastSeenId_) {
        const auto seen = std::find_if(lines.crbegin(), lines.crend(),
                                       [this](const ChatMessage& line) { return line.id == *lastSeenId_; });
        if (seen != lines.crend())
            count = seen - lines.crbegin();
        else
            count = std::count_if(lines.cbegin(), lines.cend(),
                                  [this](const ChatMessage& line) { return line.ts > lastSeenTs_; });
    }
    const int value = int(std::min<qsizetype>(count, std::numeric_limits<int>::max()));
    if (value == unread_)
        return;
    unread_ = value;
    Q_EMIT unreadChanged(unread_);
}
