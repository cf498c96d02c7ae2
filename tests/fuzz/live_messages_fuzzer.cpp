// Feeds arbitrary input to a live engine as its channel would: the engine is
// connected to a WebSocket server in this process, and each input is a run of
// records delivered in order through the engine's receive entry points, with
// the event loop turning between them so queued work (utterance endings,
// playback, disconnects) runs as it would. A record is a kind byte, a 16-bit
// little-endian length and that many bytes (fewer when the input ends first):
//   kind % 4 == 0  a text message
//   kind % 4 == 1  a pager audio frame (FF 51 46 01 and the bytes)
//   kind % 4 == 2  an utterance playback frame (FF 51 46 03 and the bytes:
//                  id length, id, payload)
//   kind % 4 == 3  a binary frame exactly as given
// The engine lives across inputs, as a long-lived channel does; one that the
// input made leave (a "kicked") is connected again before the next input.
#include "platform/record_permission.h"
#include "platform/server_test_seam.h"
#include "services/channel_audio_service.h"
#include "services/voice_files.h"

#include <QCoreApplication>
#include <QHostAddress>
#include <QWebSocket>
#include <QWebSocketServer>

#include <qcoro/qcorotask.h>

#include <sanitizer/lsan_interface.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

namespace {

using namespace std::chrono_literals;

// What a record adds in front of its bytes.
const QByteArray pagerHeader("\xFF\x51\x46\x01", 4);
const QByteArray playHeader("\xFF\x51\x46\x03", 4);

struct LiveChannel {
    QWebSocketServer server{QStringLiteral("fuzz"), QWebSocketServer::NonSecureMode};
    std::unique_ptr<QWebSocket> peer;
    RecordPermission::Override microphone{RecordPermission::State::granted, true};
    ChannelAudioService engine;

    LiveChannel()
    {
        if (!server.listen(QHostAddress::LocalHost, 0))
            std::abort();
        QObject::connect(&server, &QWebSocketServer::newConnection, &server, [this] {
            while (QWebSocket* socket = server.nextPendingConnection())
                peer.reset(socket);
        });
        Server::setBaseURLForTesting(QUrl(QStringLiteral("http://127.0.0.1:%1").arg(server.serverPort())));
        // Only the input decides what happens: no pings, no idle limit, no time-outs in between.
        engine.setLinkTimingForTesting({.openTimeout = 5s, .pingInterval = 1h, .idleLimit = 1h});
        // Utterances end at once instead of waiting for missing bytes.
        engine.voicePipe().setTimingForTesting(30s, 0ms);
    }

    void ensureLive()
    {
        if (engine.isLive())
            return;
        QCoro::waitFor(engine.connect(42, QStringLiteral("fuzz-listener"), QStringLiteral("Fuzz"),
                                      QStringLiteral("Q-FUZZ00"), {}));
        if (!engine.isLive())
            std::abort();
    }

    void deliver(quint8 kind, const QByteArray& bytes)
    {
        switch (kind % 4) {
        case 0:
            engine.handleJSON(QString::fromUtf8(bytes));
            break;
        case 1:
            engine.enqueueRXPCM(pagerHeader + bytes);
            break;
        case 2:
            engine.enqueueRXPCM(playHeader + bytes);
            break;
        default:
            engine.enqueueRXPCM(bytes);
            break;
        }
        QCoreApplication::processEvents();
    }
};

LiveChannel* channel = nullptr;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv)
{
    static QCoreApplication app(*argc, *argv);
    // The engine's diagnostic lines would drown libFuzzer's own report (on stderr).
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    // The run's voice folder keeps its lock for the life of the process on
    // purpose; made here, before any input, it is not taken for a leak.
    __lsan_disable();
    VoiceFiles::path(QStringLiteral("fuzz"));
    __lsan_enable();
    channel = new LiveChannel;
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    channel->ensureLive();
    size_t at = 0;
    while (at < size) {
        const quint8 kind = data[at];
        const size_t declared = at + 2 < size ? size_t(data[at + 1]) | size_t(data[at + 2]) << 8 : 0;
        at = std::min(at + 3, size);
        const size_t length = std::min(declared, size - at);
        channel->deliver(kind, QByteArray(reinterpret_cast<const char*>(data + at), qsizetype(length)));
        at += length;
        // An engine told to leave hears nothing more of this input.
        if (!channel->engine.isLive())
            break;
    }
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    return 0;
}
