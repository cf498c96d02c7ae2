// The voice pipe's receiving half: utterances relayed from other listeners
// are collected per announced id, finished after a short wait for stragglers
// and played one at a time.
#include "services/tovrin_voice_pipe.h"

#include "legal/app_legal.h"
#include "platform/audio_player.h"
#include "platform/diagnostics.h"
#include "services/voice_files.h"

#include <QFile>

#include <algorithm>
#include <cmath>

namespace {

constexpr int kStragglerRetries = 30;
constexpr qsizetype kStragglerSlack = 64;
constexpr int kPcmSampleRate = 16000;
// Beyond its real length, how long a clip may take before it is ended anyway.
constexpr double kSafetyMargin = 1.0;

QString line(const QString& text) { return QStringLiteral("[VoicePipe][mac] ") + text; }

}  // namespace

QByteArray TovrinVoicePipe::collectedBytes(const QString& id) const
{
    const auto it = incoming_.constFind(id);
    return it == incoming_.constEnd() ? QByteArray() : it->bytes;
}

void TovrinVoicePipe::forgetStaleIncoming()
{
    const auto now = clock_();
    incoming_.removeIf([&](const auto& entry) { return now - entry.value().announcedAt > kPendingMaxAge; });
    // Still too many: the oldest announcement goes.
    while (incoming_.size() >= kMaxPendingUtterances) {
        auto oldest = std::min_element(incoming_.begin(), incoming_.end(), [](const Incoming& a, const Incoming& b) {
            return a.announcedAt < b.announcedAt;
        });
        incoming_.erase(oldest);
    }
}

void TovrinVoicePipe::notePlayAnnounce(const QString& id, qint64 bytes, const QString& format, const QString& fromUID)
{
    if (id.isEmpty())
        return;
    if (!incoming_.contains(id))
        forgetStaleIncoming();
    Incoming& entry = incoming_[id];
    entry.bytes.clear();
    entry.expected = bytes > 0 ? bytes : 0;
    const QString lower = format.toLower();
    entry.format = lower == QLatin1String("m4a") ? QStringLiteral("aac") : lower;
    entry.announcedAt = clock_();
    Diagnostics::printLine(line(QStringLiteral("PLAY announce id=%1 from=%2 expect=%3 format=%4")
                                    .arg(id.left(8), fromUID.left(8))
                                    .arg(bytes)
                                    .arg(entry.format)));
}

void TovrinVoicePipe::appendPlayChunk(const QString& id, const QByteArray& payload)
{
    // Pieces of utterances never announced (a blocked sender's) are not kept.
    const auto it = incoming_.find(id);
    if (id.isEmpty() || payload.isEmpty() || it == incoming_.end())
        return;
    it->bytes.append(payload.left(kMaxIncomingBytes - it->bytes.size()));
}

void TovrinVoicePipe::notePlayEnd(const QString& id)
{
    if (id.isEmpty() || !incoming_.contains(id))
        return;
    // Behind every frame already queued to the event loop.
    QMetaObject::invokeMethod(this, [this, id] { finalizePlay(id, 0); }, Qt::QueuedConnection);
}

void TovrinVoicePipe::finalizePlay(const QString& id, int attempt)
{
    const auto it = incoming_.find(id);
    if (it == incoming_.end()) {
        Diagnostics::printLine(line(QStringLiteral("PLAY skip empty id=") + id.left(8)));
        return;
    }
    if (it->expected > 0 && it->bytes.size() + kStragglerSlack < it->expected && attempt < kStragglerRetries) {
        QTimer::singleShot(stragglerStep_, this, [this, id, attempt] { finalizePlay(id, attempt + 1); });
        return;
    }
    const Incoming entry = std::move(*it);
    incoming_.erase(it);
    if (entry.bytes.size() >= 2)
        playClip(id, entry.bytes, entry.format);
    else
        Diagnostics::printLine(line(QStringLiteral("PLAY skip empty id=") + id.left(8)));
}

void TovrinVoicePipe::playClip(const QString& id, const QByteArray& data, const QString& format)
{
    const bool aac = format == QLatin1String("aac") || format == QLatin1String("m4a");
    if (aac && !looksLikeM4A(data)) {
        Diagnostics::printLine(line(QStringLiteral("PLAY bad m4a id=%1 bytes=%2").arg(id.left(8)).arg(data.size())));
        return;
    }
    const QString extension = aac ? QStringLiteral("m4a") : QStringLiteral("wav");
    const QByteArray fileBytes = aac ? data : wavFromPCM16(data, kPcmSampleRate);
    // A name of ours, never the network's id.
    const QString path = VoiceFiles::path(
        QStringLiteral("tovrin-rx-%1-%2.%3").arg(QCoreApplication::applicationPid()).arg(++clipCounter_).arg(extension));
    // A scratch copy that lives as long as the clip plays: it is not synced
    // to the disk, which on a busy disk holds the start back by up to a
    // few hundred milliseconds.
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(fileBytes) != fileBytes.size() ||
        !file.flush()) {
        Diagnostics::printLine(line(QStringLiteral("PLAY write FAIL ") + file.errorString()));
        file.remove();
        return;
    }
    file.close();

    stopClip();
    if (stopEngines)
        stopEngines();
    armLoudspeaker(QStringLiteral("play-clip"));

    QString error;
    std::unique_ptr<AudioPlayer> player = AudioPlayer::fromFile(path, QStringLiteral("Voice"), &error);
    if (!player) {
        Diagnostics::printLine(line(QStringLiteral("PLAY FAIL ") + error));
        QFile::remove(path);
        armLoudspeaker(QStringLiteral("play-fail"));
        return;
    }
    player->setVolume(1.0f);
    player->prepareToPlay();
    const quint64 generation = ++playGeneration_;
    QObject::connect(player.get(), &AudioPlayer::finished, this, [this, generation] { clipDone(generation); });
    player_ = std::move(player);
    playerFile_ = path;
    const bool started = player_->play();

    const double estimate = aac ? std::max(double(data.size()) / 12000.0, 0.4) : double(data.size()) / 32000.0;
    Diagnostics::printLine(line(QStringLiteral("PLAY %1 id=%2 bytes=%3 secs=%4 started=%5 build=%6")
                                    .arg(extension, id.left(8))
                                    .arg(data.size())
                                    .arg(QString::asprintf("%.2f", estimate), started ? "true" : "false",
                                         AppLegal::buildNumber())));
    emit clipStarted(path);
    // The clip ends when the device has played it; the estimate only bounds a stuck one.
    const double limit = std::max(estimate, player_->duration()) + kSafetyMargin;
    clipSafety_.disconnect(this);
    QObject::connect(&clipSafety_, &QTimer::timeout, this, [this, generation] { clipDone(generation); });
    clipSafety_.start(std::chrono::milliseconds(std::llround(limit * 1000)));
}

void TovrinVoicePipe::clipDone(quint64 generation)
{
    if (generation != playGeneration_ || !player_)
        return;
    stopClip();
    armLoudspeaker(QStringLiteral("play-done"));
}

void TovrinVoicePipe::stopClip()
{
    clipSafety_.stop();
    if (!player_)
        return;
    std::unique_ptr<AudioPlayer> player = std::move(player_);
    player->stop();
    const QString file = std::exchange(playerFile_, QString());
    QFile::remove(file);
    emit clipEnded(file);
}
