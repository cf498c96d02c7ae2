#include "views/channel_ban_list.h"

#include "services/tovrin_api.h"

#include <QPointer>

QCoro::Task<void> ChannelBanList::load(QString ownerUID, qint64 channelNumber)
{
    QPointer<ChannelBanList> self(this);
    const quint64 generation = ++generation_;
    loading_ = true;
    Q_EMIT changed();
    std::optional<std::vector<ChannelBanEntry>> fetched;
    try {
        fetched = co_await TovrinAPI::shared().fetchChannelBans(ownerUID, channelNumber);
    } catch (...) {
    }
    if (!self || generation != generation_)
        co_return;
    if (fetched)
        entries_ = std::move(*fetched);
    failed_ = !fetched;
    loading_ = false;
    Q_EMIT changed();
}

void ChannelBanList::reset()
{
    ++generation_;
    entries_.clear();
    loading_ = false;
    failed_ = false;
    Q_EMIT changed();
}
