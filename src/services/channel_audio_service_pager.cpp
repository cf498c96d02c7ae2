// The pager: sending one with its cooldown, and the cooldown the server imposes.
#include "services/channel_audio_service.h"

bool ChannelAudioService::sendPager(const QString&, const QByteArray&)
{
    return false;
}

void ChannelAudioService::applyServerPagerCooldown(qint64) {}
