// The voice pipe's byte formats: the MPEG-4 test, WAV wrapping of wire PCM,
// upload frames and the parsing of playback frames.
#include "services/tovrin_voice_pipe.h"

#include "services/wav_image.h"

#include <QStringDecoder>

#include <algorithm>

namespace {

const QByteArray upPrefix("\xFF\x51\x46\x02", 4);
const QByteArray playPrefix("\xFF\x51\x46\x03", 4);

}  // namespace

bool TovrinVoicePipe::looksLikeM4A(const QByteArray& bytes)
{
    if (bytes.size() < 12)
        return false;
    const QByteArrayView ftyp("ftyp");
    const qsizetype limit = std::min<qsizetype>(64, bytes.size() - 4);
    for (qsizetype offset = 0; offset < limit; ++offset)
        if (QByteArrayView(bytes).sliced(offset, 4) == ftyp)
            return true;
    return false;
}

QByteArray TovrinVoicePipe::wavFromPCM16(const QByteArray& pcm, int sampleRate)
{
    QByteArray wav(WavImage::kHeaderBytes, '\0');
    if (!WavImage::writeHeader(wav.data(), std::uint64_t(pcm.size()), double(sampleRate)))
        return {};
    return wav + pcm;
}

std::vector<QByteArray> TovrinVoicePipe::uploadFrames(const QByteArray& file)
{
    const QByteArray upload = file.left(kMaxUploadBytes);
    std::vector<QByteArray> frames;
    for (qsizetype offset = 0; offset < upload.size(); offset += kMaxFramePayload)
        frames.push_back(upPrefix + upload.mid(offset, kMaxFramePayload));
    return frames;
}

std::optional<TovrinVoicePipe::PlayPacket> TovrinVoicePipe::parsePlayPacket(const QByteArray& frame)
{
    if (!frame.startsWith(playPrefix))
        return std::nullopt;
    const QByteArrayView body = QByteArrayView(frame).sliced(playPrefix.size());
    if (body.isEmpty())
        return std::nullopt;
    const qsizetype idLength = quint8(body[0]);
    if (idLength == 0 || body.size() <= idLength)
        return std::nullopt;
    QStringDecoder decoder(QStringDecoder::Utf8, QStringDecoder::Flag::Stateless);
    QString id = decoder.decode(body.sliced(1, idLength));
    if (decoder.hasError() || id.isEmpty())
        return std::nullopt;
    return PlayPacket{std::move(id), body.sliced(1 + idLength).toByteArray()};
}
