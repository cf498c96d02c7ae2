// What the server sends over the live socket: binary frames routed by their
// header, text messages applied by their "type".
#include "services/channel_audio_service.h"

#include "legal/app_legal.h"
#include "platform/diagnostics.h"
#include "platform/json.h"
#include "platform/text_characters.h"
#include "services/app_notifications.h"

#include <QJsonDocument>

namespace {

// Pager frames are dropped for this long after a "pager" message: the radio
// screen plays that alert itself.
constexpr std::chrono::milliseconds pagerSuppressWindow{550};
constexpr double pagerLogInterval = 1.0;
constexpr double pagerSampleRate = 16000.0;

std::optional<QString> stringAt(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    return value.isString() ? std::optional<QString>(value.toString()) : std::nullopt;
}

// An array whose every element is an object, else none.
std::optional<QJsonArray> objectArrayAt(const QJsonObject& object, const QString& key)
{
    const QJsonValue value = object.value(key);
    if (!value.isArray())
        return std::nullopt;
    const QJsonArray array = value.toArray();
    for (const QJsonValue& element : array) {
        if (!element.isObject())
            return std::nullopt;
    }
    return array;
}

}  // namespace

ChannelAudioService::FrameRoute ChannelAudioService::routeFrame(const QByteArray& frame)
{
    if (frame.size() < frameHeaderSize)
        return {};
    // A playback frame with a bad length or id is no pager frame either: dropped.
    if (auto packet = TovrinVoicePipe::parsePlayPacket(frame))
        return {FrameRoute::Kind::utterance, std::move(packet->id), std::move(packet->payload)};
    // A pager frame carries at most what a client sends in one.
    if (frame.startsWith(sfxPrefix) && frame.size() - frameHeaderSize <= kMaxPagerPayload)
        return {FrameRoute::Kind::pager, QString(), frame.sliced(frameHeaderSize)};
    // Upload frames (kind 2) and anything else are not for a client.
    return {};
}

void ChannelAudioService::enqueueRXPCM(const QByteArray& frame)
{
    if (!rxActive_)
        return;
    FrameRoute route = routeFrame(frame);
    switch (route.kind) {
    case FrameRoute::Kind::utterance:
        voicePipe_->appendPlayChunk(route.utteranceId, route.payload);
        break;
    case FrameRoute::Kind::pager:
        if (pagerNow() >= pagerSuppressRXUntil_)
            enqueueLegacySFX(route.payload);
        break;
    case FrameRoute::Kind::drop:
        break;
    }
}

std::chrono::milliseconds ChannelAudioService::queuedPagerAudio() const
{
    const auto now = pagerNow();
    return pagerQueuedUntil_ > now ? std::chrono::ceil<std::chrono::milliseconds>(pagerQueuedUntil_ - now)
                                   : std::chrono::milliseconds(0);
}

// Its caller has checked that receiving is on and outside the pager window.
void ChannelAudioService::enqueueLegacySFX(const QByteArray& payload)
{
    if (payload.size() < 2)
        return;
    const qint32 n = nextCount(pagerPacketsRecv_);
    std::optional<std::vector<float>> buffer = makeFloatPlaybackBuffer(payload);
    if (!buffer)
        return;
    // A sender that streams faster than it plays would queue without end:
    // audio past a few seconds ahead is dropped.
    const auto queuedAt = pagerNow();
    const auto length = std::chrono::duration_cast<std::chrono::steady_clock::duration>(
        std::chrono::duration<double>(double(buffer->size()) / pagerSampleRate));
    const auto start = std::max(pagerQueuedUntil_, queuedAt);
    if (start + length - queuedAt > kMaxQueuedPagerAudio)
        return;
    pagerQueuedUntil_ = start + length;
    scheduleVoiceBuffer(std::move(*buffer));

    const double now = mediaClock();
    if (n == 1 || now - lastRxLog_ > pagerLogInterval) {
        lastRxLog_ = now;
        Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] SFX RX recv=%1 bytes=%2").arg(n).arg(payload.size()));
    }
}

void ChannelAudioService::handleJSON(const QString& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return;
    const QJsonObject message = document.object();
    const std::optional<QString> type = stringAt(message, QStringLiteral("type"));
    if (!type)
        return;

    if (*type == QLatin1String("joined")) {
        applyPresence(message, true);
    } else if (*type == QLatin1String("presence")) {
        applyPresence(message, false);
    } else if (*type == QLatin1String("kicked")) {
        setKickReason(stringAt(message, QStringLiteral("reason")).value_or(QStringLiteral("removed")));
        disconnect();
    } else if (*type == QLatin1String("chat")) {
        applyChat(message);
    } else if (*type == QLatin1String("reaction")) {
        applyReaction(message);
    } else if (*type == QLatin1String("pager")) {
        applyPager(message);
    } else if (*type == QLatin1String("pager_denied")) {
        const qint64 retryAfter = Json::exactInteger(message.value(QLatin1String("retry_after"))).value_or(20);
        applyServerPagerCooldown(retryAfter);
        Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] denied retry_after=%1").arg(retryAfter));
    } else if (*type == QLatin1String("play_utterance")) {
        applyPlayUtterance(message);
    } else if (*type == QLatin1String("play_utterance_end")) {
        applyPlayUtteranceEnd(message);
    }
}

void ChannelAudioService::applyPresence(const QJsonObject& message, bool joined)
{
    if (const auto listeners = Json::exactInteger(message.value(QLatin1String("listeners"))))
        setListenerCount(*listeners);

    if (const auto roster = objectArrayAt(message, QStringLiteral("roster"))) {
        QList<ChannelRosterMember> members = parseRoster(*roster);
        members.removeIf([this](const ChannelRosterMember& m) { return blockedUIDs_.contains(m.uid); });
        setChannelRoster(std::move(members));
    }

    if (!joined)
        return;
    if (const auto history = objectArrayAt(message, QStringLiteral("chat_history"))) {
        QList<ChatMessage> lines;
        for (const QJsonValue& element : *history) {
            if (auto line = parseChatMessage(element.toObject()); line && !blockedUIDs_.contains(line->uid))
                lines.append(std::move(*line));
        }
        setChatMessages(std::move(lines));
    }
}

void ChannelAudioService::applyChat(const QJsonObject& message)
{
    const QJsonValue value = message.value(QLatin1String("message"));
    if (!value.isObject())
        return;
    std::optional<ChatMessage> line = parseChatMessage(value.toObject());
    if (!line || blockedUIDs_.contains(line->uid))
        return;
    const bool known = std::any_of(chatMessages_.cbegin(), chatMessages_.cend(),
                                   [&](const ChatMessage& existing) { return existing.id == line->id; });
    if (known)
        return;
    const QString from = line->displayName;
    const qsizetype length = TextCharacters::count(line->text);
    QList<ChatMessage> lines = chatMessages_;
    lines.append(std::move(*line));
    setChatMessages(std::move(lines));
    Diagnostics::printLine(QStringLiteral("[TovrinChat][mac] RX from=%1 len=%2").arg(from).arg(length));
}

void ChannelAudioService::applyReaction(const QJsonObject& message)
{
    std::optional<QString> messageId = stringAt(message, QStringLiteral("message_id"));
    if (messageId)
        messageId = messageId->left(kMaxIdLength);
    std::optional<QMap<QString, QStringList>> reactions = parseReactions(message.value(QLatin1String("reactions")));
    if (!messageId || !reactions)
        return;
    auto line = std::find_if(chatMessages_.cbegin(), chatMessages_.cend(),
                             [&](const ChatMessage& existing) { return existing.id == *messageId; });
    if (line == chatMessages_.cend())
        return;
    QList<ChatMessage> lines = chatMessages_;
    lines[line - chatMessages_.cbegin()].reactions = std::move(*reactions);
    setChatMessages(std::move(lines));
}

void ChannelAudioService::applyPager(const QJsonObject& message)
{
    const QString sound =
        stringAt(message, QStringLiteral("sound")).value_or(QStringLiteral("pager")).left(kMaxSoundNameLength);
    const QString sender = stringAt(message, QStringLiteral("uid")).value_or(QString()).left(kMaxIdLength);
    // Frames carry no sender: a blocked sender's are kept out by the same
    // window, only without the announcement.
    pagerSuppressRXUntil_ = pagerNow() + pagerSuppressWindow;
    if (!sender.isEmpty() && blockedUIDs_.contains(sender))
        return;
    const qint32 n = nextCount(pagerPacketsRecv_);
    Diagnostics::printLine(QStringLiteral("[TovrinPager][mac] RX n=%1 sound=%2 from=%3 build=%4")
                               .arg(n).arg(sound, sender, AppLegal::buildNumber()));
    activateSessionFireAndForget(false);
    ensurePlaybackRunning();
    emit AppNotifications::instance().tovrinRemotePager(sound);
}

void ChannelAudioService::applyPlayUtterance(const QJsonObject& message)
{
    const QString id = stringAt(message, QStringLiteral("id")).value_or(QString()).left(kMaxIdLength);
    const QString sender = stringAt(message, QStringLiteral("uid")).value_or(QString()).left(kMaxIdLength);
    if (id.isEmpty() || (!sender.isEmpty() && blockedUIDs_.contains(sender)))
        return;
    activeClipID_ = id;
    const qint64 bytes = Json::exactInteger(message.value(QLatin1String("bytes"))).value_or(0);
    const QString format =
        stringAt(message, QStringLiteral("format")).value_or(QStringLiteral("aac")).left(kMaxSoundNameLength).toLower();
    voicePipe_->notePlayAnnounce(id, bytes, format, sender);
}

void ChannelAudioService::applyPlayUtteranceEnd(const QJsonObject& message)
{
    const QString id =
        stringAt(message, QStringLiteral("id")).value_or(activeClipID_.value_or(QString())).left(kMaxIdLength);
    if (!id.isEmpty())
        voicePipe_->notePlayEnd(id);
}
