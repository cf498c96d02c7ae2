#include "live_hub.h"

#include <QJsonDocument>
#include <QRegularExpression>
#include <QUrlQuery>

#include <cmath>

namespace {

using Clock = std::chrono::steady_clock;
using namespace std::chrono_literals;

constexpr auto pagerCooldown = 20s;
// How long after an accepted pager its frames are relayed, and after a refused one dropped.
constexpr auto pagerFrameWindow = 5s;
// Frames that came ahead of their message are kept this long, up to this many bytes.
constexpr auto earlyPagerLifetime = 2s;
constexpr qsizetype maxEarlyPagerBytes = 64 * 1024;
constexpr qsizetype maxIncomingMessage = 64 * 1024;
constexpr int maxUidLength = 128;
constexpr int maxSoundLength = 64;

std::optional<QJsonObject> parseObject(const QString& text)
{
    QJsonParseError error{};
    const QJsonDocument document = QJsonDocument::fromJson(text.toUtf8(), &error);
    if (error.error != QJsonParseError::NoError || !document.isObject())
        return std::nullopt;
    return document.object();
}

}  // namespace

LiveHub::LiveHub(DevState& state, QObject* parent) : QObject(parent), state_(state) {}

LiveHub::~LiveHub()
{
    // Members' lambdas point into the rooms: cut them before the rooms go.
    for (auto& [channel, room] : rooms_) {
        for (auto& member : room.members())
            QObject::disconnect(member->socket.get(), nullptr, this, nullptr);
    }
}

void LiveHub::accept(std::unique_ptr<QWebSocket> incoming)
{
    std::unique_ptr<QWebSocket, DeleteLater> socket(incoming.release());
    const QUrl url = socket->requestUrl();
    static const QRegularExpression livePath(QStringLiteral("^/v1/live/(\\d{1,5})$"));
    const QRegularExpressionMatch match = livePath.match(url.path());
    const int channel = match.hasMatch() ? match.captured(1).toInt() : 0;
    const QString uid = QUrlQuery(url).queryItemValue(QStringLiteral("uid"), QUrl::FullyDecoded);
    if (uid.isEmpty() || uid.size() > maxUidLength) {
        refuse(*socket, QStringLiteral("bad_request"));
        return;
    }
    // The rules of join-channel, with the passkey of the user's last allowed join.
    const JoinDecision decision = state_.decideJoin(uid, channel, state_.rememberedPasskey(uid, channel));
    if (!decision.allowed) {
        refuse(*socket, decision.reason);
        return;
    }

    LiveRoom& room = rooms_[channel];
    // A user is in a room at most once. The same user again (a reconnect the
    // server has not noticed yet): the new socket wins.
    if (LiveMember* previous = room.findByUid(uid)) {
        auto replaced = room.remove(previous);
        QObject::disconnect(replaced->socket.get(), nullptr, this, nullptr);
        replaced->socket->close(QWebSocketProtocol::CloseCodeNormal, QStringLiteral("replaced"));
    }
    if (room.full()) {
        refuse(*socket, QStringLiteral("full"));
        return;
    }

    socket->setMaxAllowedIncomingMessageSize(maxIncomingMessage);
    auto created = std::make_unique<LiveMember>();
    created->socket = std::move(socket);
    created->uid = uid;
    created->channel = channel;
    LiveMember* member = &room.add(std::move(created));
    publishListeners(channel, room);

    QWebSocket* ws = member->socket.get();
    connect(ws, &QWebSocket::textMessageReceived, this, [this, member](const QString& text) { onText(member, text); });
    connect(ws, &QWebSocket::binaryMessageReceived, this, [this, member](const QByteArray& frame) { onBinary(member, frame); });
    connect(ws, &QWebSocket::disconnected, this, [this, member] { onGone(member); });

    member->sendJson(room.presence(QStringLiteral("joined"), state_));
    room.broadcast(room.presence(QStringLiteral("presence"), state_), member);
}

void LiveHub::refuse(QWebSocket& socket, const QString& reason)
{
    socket.close(QWebSocketProtocol::CloseCodePolicyViolated, reason);
}

void LiveHub::pruneIfEmpty(int channel)
{
    const auto it = rooms_.find(channel);
    if (it == rooms_.end() || it->second.listenerCount() > 0)
        return;
    rooms_.erase(it);
    state_.listenersByChannel.erase(channel);
}

void LiveHub::silenceAll(const QList<QTcpSocket*>& connections)
{
    for (auto& [channel, room] : rooms_) {
        for (auto& member : room.members())
            member->silence(connections);
    }
}

void LiveHub::kick(int channelNumber, const QString& uid, const QString& reason)
{
    auto it = rooms_.find(channelNumber);
    if (it == rooms_.end())
        return;
    LiveRoom& room = it->second;
    LiveMember* member = room.findByUid(uid);
    if (!member)
        return;
    QJsonObject kicked{{"type", "kicked"}};
    if (!reason.isEmpty())
        kicked.insert("reason", reason);
    member->sendJson(kicked);
    auto taken = room.remove(member);
    QObject::disconnect(taken->socket.get(), nullptr, this, nullptr);
    // A client that missed "kicked" still learns why, and does not come back.
    refuse(*taken->socket, reason.isEmpty() ? QStringLiteral("removed") : reason);
    publishListeners(channelNumber, room);
    room.broadcast(room.presence(QStringLiteral("presence"), state_));
    pruneIfEmpty(channelNumber);
}

void LiveHub::publishListeners(int channel, const LiveRoom& room)
{
    state_.listenersByChannel[channel] = room.listenerCount();
}

LiveRoom* LiveHub::roomOf(const LiveMember* member)
{
    auto it = rooms_.find(member->channel);
    return it == rooms_.end() ? nullptr : &it->second;
}

void LiveHub::onGone(LiveMember* member)
{
    LiveRoom* room = roomOf(member);
    if (!room)
        return;
    auto taken = room->remove(member);
    if (!taken)
        return;
    QObject::disconnect(taken->socket.get(), nullptr, this, nullptr);
    publishListeners(taken->channel, *room);
    room->broadcast(room->presence(QStringLiteral("presence"), state_));
    pruneIfEmpty(taken->channel);
}

void LiveHub::onText(LiveMember* member, const QString& text)
{
    LiveRoom* room = roomOf(member);
    const std::optional<QJsonObject> message = parseObject(text);
    if (!room || !message)
        return;
    const QString type = message->value("type").toString();

    if (type == QLatin1String("chat")) {
        if (auto line = room->postChat(*member, *message, state_))
            room->broadcast(QJsonObject{{"type", "chat"}, {"message", *line}});
    } else if (type == QLatin1String("reaction")) {
        const QString messageId = message->value("message_id").toString();
        if (auto reactions = room->toggleReaction(messageId, message->value("emoji").toString(), member->uid))
            room->broadcast(QJsonObject{{"type", "reaction"}, {"message_id", messageId}, {"reactions", *reactions}});
    } else if (type == QLatin1String("pager")) {
        handlePager(*room, *member, *message);
    } else if (type == QLatin1String("utterance_open")) {
        member->uploading = true;
        member->upload.clear();
    } else if (type == QLatin1String("utterance_close")) {
        if (!member->uploading)
            return;
        member->uploading = false;
        const QByteArray bytes = std::exchange(member->upload, {});
        if (!bytes.isEmpty())
            room->relayUtterance(*member, bytes);
    }
    // "voice_filter" and anything else: nothing to do.
}

void LiveHub::onBinary(LiveMember* member, const QByteArray& frame)
{
    LiveRoom* room = roomOf(member);
    if (!room)
        return;
    const QByteArray payload = frame.mid(LiveFrame::headerSize);
    switch (LiveFrame::kindOf(frame)) {
    case LiveFrame::uploadKind:
        if (member->uploading)
            member->upload.append(payload.left(LiveRoom::maxUploadBytes - member->upload.size()));
        break;
    case LiveFrame::pagerKind: {
        const auto now = Clock::now();
        if (now < member->pagerOpenUntil) {
            room->broadcastBinary(frame, member);
        } else if (now >= member->pagerRefusedUntil) {
            if (now - member->earlyPagerSince >= earlyPagerLifetime) {
                member->earlyPagerFrames.clear();
                member->earlyPagerBytes = 0;
                member->earlyPagerSince = now;
            }
            if (member->earlyPagerBytes + frame.size() <= maxEarlyPagerBytes) {
                member->earlyPagerFrames.append(frame);
                member->earlyPagerBytes += frame.size();
            }
        }
        break;
    }
    default:
        break;
    }
}

void LiveHub::handlePager(LiveRoom& room, LiveMember& member, const QJsonObject& message)
{
    const auto now = Clock::now();
    const auto last = lastPagerAt_.constFind(member.uid);
    if (last != lastPagerAt_.cend() && now - *last < pagerCooldown) {
        const double left = std::chrono::duration<double>(pagerCooldown - (now - *last)).count();
        member.sendJson(QJsonObject{{"type", "pager_denied"}, {"retry_after", qint64(std::ceil(left))}});
        member.earlyPagerFrames.clear();
        member.earlyPagerBytes = 0;
        // The refused pager's frames must not ride on the last accepted one's window.
        member.pagerOpenUntil = {};
        member.pagerRefusedUntil = now + pagerFrameWindow;
        return;
    }

    // Forget cooldowns that have run out so the table stays small.
    for (auto it = lastPagerAt_.begin(); it != lastPagerAt_.end();)
        it = now - *it >= pagerCooldown ? lastPagerAt_.erase(it) : std::next(it);
    lastPagerAt_.insert(member.uid, now);

    QString sound = message.value("sound").toString().left(maxSoundLength);
    if (sound.isEmpty())
        sound = QStringLiteral("pager");
    room.broadcast(QJsonObject{{"type", "pager"}, {"sound", sound}, {"uid", member.uid}}, &member);

    // Frames that came ahead of the message follow it, unless they are stale.
    const bool fresh = now - member.earlyPagerSince < earlyPagerLifetime;
    for (const QByteArray& frame : std::exchange(member.earlyPagerFrames, {})) {
        if (fresh)
            room.broadcastBinary(frame, &member);
    }
    member.earlyPagerBytes = 0;
    member.pagerRefusedUntil = {};
    member.pagerOpenUntil = now + pagerFrameWindow;
}
