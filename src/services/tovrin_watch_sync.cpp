#include "services/tovrin_watch_sync.h"

TovrinWatchSync& TovrinWatchSync::shared()
{
    static TovrinWatchSync instance;
    return instance;
}

void TovrinWatchSync::publish(const QString& channelDisplay, const QString& themeName, const QString& themeEmoji)
{
    lastContext_ = {{QStringLiteral("channel"), channelDisplay},
                    {QStringLiteral("themeName"), themeName},
                    {QStringLiteral("themeEmoji"), themeEmoji}};
    ++publishCount_;
    // No watch session exists on this platform: nothing leaves the process.
}
