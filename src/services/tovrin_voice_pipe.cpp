#include "services/tovrin_voice_pipe.h"

#include "platform/diagnostics.h"
#include "services/tovrin_audio_session.h"

#include <QStringDecoder>

namespace {

constexpr qsizetype headerSize = 4;
// Bounds on what the network can make us hold.
constexpr qsizetype maxUtteranceBytes = 512000;
constexpr qsizetype maxOpenUtterances = 16;

}  // namespace

TovrinVoicePipe::TovrinVoicePipe(QObject* parent) : QObject(parent) {}

TovrinVoicePipe::~TovrinVoicePipe() = default;

QCoro::Task<bool> TovrinVoicePipe::beginTalk()
{
    co_return false;
}

QCoro::Task<void> TovrinVoicePipe::endTalk(QString)
{
    co_return;
}

void TovrinVoicePipe::reset()
{
    incoming_.clear();
    expectedBytes_.clear();
    formats_.clear();
}

void TovrinVoicePipe::armLoudspeaker(const QString& reason)
{
    TovrinAudioSession::armLoudspeaker(reason);
}

std::optional<TovrinVoicePipe::PlayPacket> TovrinVoicePipe::parsePlayPacket(const QByteArray& frame)
{
    if (frame.size() < headerSize + 1 || quint8(frame[0]) != 0xFF || frame[1] != 'Q' || frame[2] != 'F' || frame[3] != 0x03)
        return std::nullopt;
    const qsizetype idLength = quint8(frame[headerSize]);
    const qsizetype idStart = headerSize + 1;
    if (frame.size() - idStart < idLength)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString id = decoder.decode(QByteArrayView(frame).sliced(idStart, idLength));
    if (decoder.hasError())
        return std::nullopt;
    return PlayPacket{std::move(id), frame.sliced(idStart + idLength)};
}

void TovrinVoicePipe::appendPlayChunk(const QString& id, const QByteArray& payload)
{
    if (!incoming_.contains(id) && incoming_.size() >= maxOpenUtterances)
        return;
    QByteArray& bytes = incoming_[id];
    bytes.append(payload.left(maxUtteranceBytes - bytes.size()));
}

void TovrinVoicePipe::notePlayAnnounce(const QString& id, qint64 bytes, const QString& format, const QString& fromUID)
{
    if (!incoming_.contains(id) && incoming_.size() >= maxOpenUtterances)
        return;
    incoming_[id].clear();
    expectedBytes_.insert(id, bytes);
    formats_.insert(id, format);
    Diagnostics::printLine(QStringLiteral("[VoicePipe][mac] PLAY announce id=%1 bytes=%2 format=%3 from=%4")
                               .arg(id).arg(bytes).arg(format, fromUID));
}

void TovrinVoicePipe::notePlayEnd(const QString&) {}
