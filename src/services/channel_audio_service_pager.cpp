// The pager: sending one with its cooldown, its audio frames, and the
// cooldown the server imposes.
#include "services/channel_audio_service.h"

#include "platform/diagnostics.h"

#include <QJsonObject>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

using namespace std::chrono_literals;

constexpr auto pagerCooldown = 20s;
constexpr qint64 pagerCooldownSeconds = 20;
constexpr qint64 minServerCooldownSeconds = 1;

// The fallback tone: 1,280 samples (80 ms) of 880 Hz at 16 kHz, 160-sample fades.
constexpr int fallbackSamples = 1280;
constexpr int fallbackFade = 160;
constexpr double fallbackFrequency = 880.0;
constexpr double fallbackAmplitude = 12000.0;
constexpr double pagerSampleRate = 16000.0;

void printPager(const QString& text)
{
    Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] ") + text);
}

}  // namespace

void ChannelAudioService::setPagerClockForTesting(PagerClock now, std::chrono::milliseconds tick)
{
    pagerClock_ = std::move(now);
    pagerCooldownTask_.setInterval(tick);
}

std::chrono::steady_clock::time_point ChannelAudioService::timeOn(const PagerClock& clock)
{
    return clock ? clock() : std::chrono::steady_clock::now();
}

std::chrono::steady_clock::time_point ChannelAudioService::pagerNow() const
{
    return timeOn(pagerClock_);
}

bool ChannelAudioService::sendPager(const QString& soundRaw, const QByteArray& pcm)
{
    if (!isLive_) {
        printPager(QStringLiteral("TX skipped not-live"));
        return false;
    }

    const auto now = pagerNow();
    if (lastPagerSentAt_) {
        const double elapsed = std::chrono::duration<double>(now - *lastPagerSentAt_).count();
        const double cooldown = std::chrono::duration<double>(pagerCooldown).count();
        if (elapsed < cooldown) {
            const auto left = qint64(std::ceil(cooldown - elapsed));
            // After a disconnect no countdown runs: start one, or the value
            // would stay and block the button until the next pager.
            if (pagerCooldownTask_.isActive())
                setPagerCooldownRemaining(std::max<qint64>(left, 1));
            else
                startPagerCountdown(std::max<qint64>(left, 1));
            printPager(QStringLiteral("TX blocked cooldown=%1s").arg(left));
            return false;
        }
    }

    // The cooldown is taken before anything is sent and holds even when sending fails.
    lastPagerSentAt_ = now;
    startPagerCountdown(pagerCooldownSeconds);

    const QJsonObject message{
        {"type", "pager"},
        {"sound", soundRaw},
        {"display_name", outgoingDisplayName()},
    };
    const QByteArray bytes = pcm.isEmpty() ? fallbackPagerPCM() : pcm;
    const bool hasSocket = !sendSocket().isNull();
    relayPager(message, bytes);

    const qint32 n = nextCount(pagerPacketsSent_);
    // One pass: a "%" in the sound's name is not a placeholder.
    printPager(QStringLiteral("TX n=%1 sound=%2 pcmBytes=%3 live=%4 ws=%5")
                   .arg(QString::number(n), soundRaw, QString::number(bytes.size()),
                        QLatin1String(isLive_ ? "true" : "false"), QLatin1String(hasSocket ? "true" : "false")));
    return true;
}

QCoro::Task<void> ChannelAudioService::relayPager(QJsonObject message, QByteArray pcm)
{
    // The message goes first and its frames after it, on the socket it went
    // on: every receiver opens its window before the frames arrive.
    const QPointer<QWebSocket> socket = sendSocket();
    co_await sendJSONAwait(std::move(message), QStringLiteral("pager"));
    // The engine may be gone by now: only the socket is used from here.
    emitSFXChunks(socket, pcm);
}

void ChannelAudioService::emitSFXChunks(QPointer<QWebSocket> socket, const QByteArray& pcm)
{
    if (!socket) {
        printPager(QStringLiteral("emit FAIL no-ws bytes=%1").arg(pcm.size()));
        return;
    }
    int chunks = 0;
    for (const QByteArray& frame : pagerFrames(pcm)) {
        if (socket->sendBinaryMessage(frame) != frame.size())
            printPager(QStringLiteral("chunk%1 SEND FAIL: %2").arg(chunks).arg(socket->errorString()));
        ++chunks;
    }
    printPager(QStringLiteral("emitted chunks=%1 totalPCM=%2").arg(chunks).arg(pcm.size()));
}

QList<QByteArray> ChannelAudioService::pagerFrames(const QByteArray& pcm)
{
    QList<QByteArray> frames;
    frames.reserve((pcm.size() + kMaxPagerPayload - 1) / kMaxPagerPayload);
    for (qsizetype offset = 0; offset < pcm.size(); offset += kMaxPagerPayload)
        frames.append(sfxPrefix + pcm.mid(offset, kMaxPagerPayload));
    return frames;
}

QByteArray ChannelAudioService::fallbackPagerPCM()
{
    QByteArray bytes(2 * fallbackSamples, Qt::Uninitialized);
    auto* out = reinterpret_cast<uchar*>(bytes.data());
    for (int i = 0; i < fallbackSamples; ++i) {
        const double t = i / pagerSampleRate;
        const double fadeIn = std::min(double(i) / fallbackFade, 1.0);
        const double fadeOut = std::min(double(fallbackSamples - i) / fallbackFade, 1.0);
        const double value = std::sin(2.0 * std::numbers::pi * fallbackFrequency * t) * fallbackAmplitude * fadeIn * fadeOut;
        const auto sample = qint16(std::clamp(value, -32768.0, 32767.0));
        out[2 * i] = uchar(quint16(sample) & 0xFF);
        out[2 * i + 1] = uchar(quint16(sample) >> 8);
    }
    return bytes;
}

void ChannelAudioService::startPagerCountdown(qint64 from)
{
    pagerCooldownTask_.stop();
    pagerCountdownLeft_ = from;
    setPagerCooldownRemaining(from);
    pagerCooldownTask_.start();
}

void ChannelAudioService::onPagerCountdownTick()
{
    --pagerCountdownLeft_;
    if (pagerCountdownLeft_ > 0) {
        setPagerCooldownRemaining(pagerCountdownLeft_);
        return;
    }
    pagerCooldownTask_.stop();
    setPagerCooldownRemaining(std::nullopt);
}

void ChannelAudioService::applyServerPagerCooldown(qint64 retryAfter)
{
    const qint64 seconds = std::clamp(retryAfter, minServerCooldownSeconds, pagerCooldownSeconds);
    // Back-dates the last pager so the local check refuses for exactly that long.
    lastPagerSentAt_ = pagerNow() + std::chrono::seconds(seconds) - pagerCooldown;
    startPagerCountdown(seconds);
}
