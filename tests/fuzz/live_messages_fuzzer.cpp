// Feeds arbitrary bytes to the live engine as the server would: the first
// byte picks text messages (one per line, all to one engine, so messages can
// build on each other) or one binary frame.
#include "services/channel_audio_service.h"

#include <QCoreApplication>

#include <cstdio>

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // The engine's diagnostic lines would drown libFuzzer's own report (on stderr).
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    if (size == 0)
        return 0;
    const QByteArray bytes(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));
    {
        ChannelAudioService engine;
        if (data[0] % 2 == 0) {
            for (const QByteArray& line : bytes.split('\n'))
                engine.handleJSON(QString::fromUtf8(line));
        } else {
            const ChannelAudioService::FrameRoute route = ChannelAudioService::routeFrame(bytes);
            if (route.kind == ChannelAudioService::FrameRoute::Kind::utterance)
                engine.voicePipe().appendPlayChunk(route.utteranceId, route.payload);
            engine.enqueueRXPCM(bytes);
        }
    }
    // No event loop runs here: release what the engine handed to deleteLater.
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
